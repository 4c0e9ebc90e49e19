#pragma once
// The HTML named character references ending in ";" as a constant perfect-hash
// table (kit/render/EntityTable.cpp, written by scripts/gen_entities.py).

#include <cstdint>

extern "C" {

struct entity_record {
    const char* name;      // without "&" and ";", NUL-terminated ASCII; null in empty slots
    std::uint32_t length;  // bytes of utf8 in use
    char utf8[8];          // the replacement, one or two characters
};

// The record of the name's first len bytes (no terminator needed), or null.
// Names are 2 to 31 characters; other lengths return null without reading name.
__attribute__((visibility("default"))) const entity_record* find_entity(const char* name, std::uint32_t len);

}
