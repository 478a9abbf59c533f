// Where the server's messages to the user go. The host hands its sink to whatever may have
// something to tell: the edit object (CreateOptions), the history store, a history operation, a
// change of several files. The windows show the text in a message box, b3cli writes it to
// standard error as one line; with no sink it goes to standard error as it is.
#pragma once

#include <functional>
#include <string>

namespace b3 {

using MessageSink = std::function<void(const std::string& text)>;

}  // namespace b3
