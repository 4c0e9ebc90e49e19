#pragma once
// How the inline filters answer for the render target of the context, and the
// result of replacing a whole marker.

#include "kit/model/ZQFilterRoles.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQRenderContext.h"

namespace ZQInlineTargets {

// HTML and rich text go to their renderers; markup stays as written and
// counts as handled; any other target is not handled.
template <class Html, class Rich>
ZQProcessLength render(const ZQRenderContext& context, Html html, Rich rich)
{
    switch (context.renderTargetType()) {
    case ZQRenderContext::TargetHTML:
        return html();
    case ZQRenderContext::TargetRich:
        return rich();
    case ZQRenderContext::TargetMarkup:
        return {0, 0, 0, 1};
    default:
        return {};
    }
}

// The marker's whole range now holds newLength characters.
inline ZQProcessLength replaced(const ZQInlineMarker& marker, qsizetype newLength)
{
    const qsizetype length = marker.markerRange().length;
    return {length, newLength - length, 0, 1};
}

} // namespace ZQInlineTargets
