#pragma once
// An attachment value that can hand out its file, for writers that store the
// file itself (RTFD). The rich text's image attachments implement it.

#include "platform/foundation/FileWrapper.h"

namespace plat {

class AttachmentFileSource {
public:
    virtual ~AttachmentFileSource() = default;
    // The attachment's file; null when it has none.
    virtual FileWrapperPtr attachmentFile() const = 0;
};

} // namespace plat
