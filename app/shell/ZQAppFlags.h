#pragma once
// Process-wide state of the windows that the documents and menus consult,
// plain flags used on the main thread only. The library window and the
// version browser set them.

namespace ZQAppFlags {

inline bool inTrash = false;
inline bool inTags = false;
inline bool inFilters = false;
// The shown space is the trash or the tags space: its pages are not edited.
inline bool readOnly = false;
inline bool inLinkedFolder = false;
inline bool inVersionBrowser = false;
inline bool revertedInVersionBrowser = false;

} // namespace ZQAppFlags
