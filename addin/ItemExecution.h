// Running one configured menu item (ExecuteItem): by the values of its key, a network file fetch (the
// download dialog, then the stored file opened in the host), a web service search (typed text or the
// selected structure posted to the service; the answer opened as a page, shown as text, or fetched as a
// structure and put into the document), or a page opened in the browser.
//
// Runs on the host's user-interface thread; dialogs are modal and requests synchronous. Nothing escapes:
// every failure ends in a message box owned by the host's main window (titled with the caption, OK only)
// or silently, and in the result code.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <string>

class Application;

// ExecuteItem's results.
enum ItemResult : short {
    kItemDone = 1,             // done, or stopped before any request (cancel, configuration, any other error)
    kItemRequestFailed = 0,    // the last HTTP request failed
    kItemListAnswer = 2,       // direct run: the first answer is a comma-separated list; nothing fetched
    kItemDispatchError = -1,   // a host or request call raised a dispatch exception
    kItemEmptyStructure = -102 // direct run: that exception carried the error code -102
};

// The message of an interactive run whose request steps raised the error code -102; any other code is
// reported with AccessErrorMessage.
inline constexpr char kEmptyStructureMessage[] = "Ostrel server returned an empty structure for the given input.";
inline constexpr std::size_t kAccessErrorMessageLimit = 355;
// "An error occurred accessing <url>\nError code: <code>", at most kAccessErrorMessageLimit bytes: a long URL
// is shortened (ending in "...", cut at a whole character) so that the error code is always shown.
std::string AccessErrorMessage(const std::string& url, long errorCode);

// Runs the item whose configuration key is itemPath (user hive first, then machine hive). An empty input
// text is an interactive run; otherwise the text is the search input and the run is direct (no prompt, no
// message boxes for the request steps, results 2 and -102 possible). A structure fetched by the search goes
// into target (borrowed), or into the active document when target is null. The caption titles the dialogs
// and message boxes, without a trailing "...".
short ExecuteItem(Application& application, const std::string& itemPath, const std::string& caption,
                  const std::string& inputText, IDispatch* target) noexcept;
