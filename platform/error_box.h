// The application's general error handler: an error box with the error icon and the
// application's title, a full stop added when the text does not end with one.
#pragma once

#include <QString>
#include <functional>

namespace prismcrate {

// "Cannot open file x" becomes "Cannot open file x."; a text ending in '.' is kept.
QString errorBoxText(const QString& message);

// Shows the error box (modal). Tests may divert it with setErrorBoxSink.
void showErrorBox(const QString& message);

// Replaces the error box by a callback that receives the final text; an empty function
// restores the real box. Returns the previous sink.
using ErrorBoxSink = std::function<void(const QString&)>;
ErrorBoxSink setErrorBoxSink(ErrorBoxSink sink);

// Runs f; an exception escaping it is shown in the error box and swallowed.
void runReportingErrors(const std::function<void()>& f);

}  // namespace prismcrate
