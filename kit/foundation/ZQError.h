#pragma once
// Making, presenting and logging errors.

#include "kit/foundation/ZQErrorValue.h"

#include <QString>
#include <exception>
#include <functional>

namespace ZQError {

// Domain "Invalid Operation", code 200, the message as the description.
ZQErrorValue errorFromMessage(const QString& message);
// OSStatus domain, code -19, "MessageInfo" = "Sorry, unexpected error: <reason>.  <action message>".
ZQErrorValue errorFromException(const std::exception& exception, const QString& actionMessage = QString());

// Shows the error through the installed presentation handler on the main
// thread: at once when called there, otherwise queued to it without waiting,
// so a main thread that is blocked on the caller cannot deadlock.
void presentError(const ZQErrorValue& error);
void presentException(const std::exception& exception, const QString& actionMessage = QString());

// Logs "<prefix>: <description>" ("Unknown Error" for an empty description).
void log(const ZQErrorValue& error, const QString& prefix);

// The presentation itself; the default logs the error. The application
// installs its dialog. Returns the handler it replaces.
using PresentationHandler = std::function<void(const ZQErrorValue&)>;
PresentationHandler setPresentationHandler(PresentationHandler handler);

} // namespace ZQError
