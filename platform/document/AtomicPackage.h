#pragma once
// Saving a package folder as one step. The new package is written beside the
// old one under a hidden name, every file and the folder are flushed to disk,
// then the two are swapped in one rename (renameat2 with RENAME_EXCHANGE) and
// the old one is removed. Where the file system cannot swap, the old package
// is first renamed aside and the new one renamed into place; a crash between
// the two leaves the old package under its hidden name, and
// recoverInterruptedPackageSave() puts it back. At no point does the package's
// own name hold a half-written package.

#include "platform/document/DirectoryWrapper.h"

#include <functional>

namespace plat {

// False with the reason in error when any step fails; the package at path is
// then as it was. The parent folder must exist.
bool writePackageAtomically(const QString& path, const DirectoryWrapper& package, QString* error = nullptr);

// When path is missing but an earlier save left the old package renamed
// aside, renames it back. True when something was restored.
bool recoverInterruptedPackageSave(const QString& path);

// Tests: a hook asked before each step ("member:<name>", "flush", "swap",
// "cleanup"); answering true makes that step fail. nullptr removes it.
using PackageWriteFaultHook = std::function<bool(const QString& step)>;
void setPackageWriteFaultHook(PackageWriteFaultHook hook);
// Tests: pretend the file system cannot swap, to run the rename sequence.
void setPackageExchangeDisabled(bool disabled);

} // namespace plat
