#include "addin/ItemExecution.h"

#include "addin/ConfigStore.h"
#include "addin/NetFileFetch.h"
#include "addin/RequestText.h"
#include "framework/ole_exception.h"
#include "framework/text.h"
#include "framework/ui_seams.h"
#include "host/wrappers.h"
#include "resources/resource.h"
#include "webservice/ChoiceDialog.h"
#include "webservice/HttpRequest.h"
#include "webservice/PromptTextDialog.h"
#include "webservice/Selection.h"

#include "mx/base64.h"

#include <urlmon.h>

#include <cstring>
#include <optional>
#include <stdexcept>

namespace {

constexpr int kBase64LineLength = 72;
constexpr int kEmptyStructureCode = -102;
constexpr char kDirectRunSuffix[] = "&comp=vlns";

// The host's main window as a handle: window handles are 32-bit values, widened by sign extension.
HWND OwnerWindow(std::int64_t mainWindow)
{
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(mainWindow)));
}

// The prompt (template 1000) or results (template 130) dialog: the text on OK, nothing otherwise.
std::optional<std::string> RunTextDialog(UINT templateId, HWND owner, const std::string& title,
                                         const std::string& prompt, const std::string& text)
{
    PromptTextDialog dialog(templateId, owner, title, prompt, text);
    if (dialog.DoModal() != IDOK)
        return std::nullopt;
    return dialog.GetText();
}

struct SearchChoice {
    int option = 0;   // the chosen option's control id minus 1000
    std::string proxyURL;
};

// The search choice dialog: the user's choice on OK, nothing otherwise (also when the configured template
// cannot be shown).
std::optional<SearchChoice> RunChoiceDialog(UINT templateId, HWND owner, const std::string& note,
                                            VelmoraSelectionType initial, const std::string& proxyURL)
{
    CChoiceDialog dialog(templateId, owner, note, initial, proxyURL);
    if (dialog.DoModal() != IDOK)
        return std::nullopt;
    return SearchChoice{dialog.GetUserChoice(), dialog.GetProxyURL()};
}

// The item's key, from the user hive or else the machine hive.
basic_RegistryKey OpenItemKey(const std::string& itemPath)
{
    // An item the add-in did not create has the empty path, which would open the hive's root.
    if (!itemPath.empty())
        if (basic_RegistryKey key = OpenConfigurationKey(itemPath); key.IsOpen())
            return key;
    throw std::runtime_error("Error accessing configuration parameters");
}

// One run of ExecuteItem after its preparation. The result lives with the caller, so that whatever stops
// the run leaves the result reached so far.
class ItemRun {
public:
    ItemRun(Application& application, const basic_RegistryKey& key, const std::string& itemPath, HWND owner,
            const std::string& caption, const std::string& inputText, IDispatch* target, short& result)
        : m_application(application), m_key(key), m_itemPath(itemPath), m_owner(owner), m_caption(caption),
          m_inputText(inputText), m_target(target), m_result(result)
    {
    }

    void Run();

private:
    bool Direct() const { return !m_inputText.empty(); }
    std::optional<std::string> Value(const std::string& name) const { return m_key.QueryString(name); }
    void ShowMessage(const std::string& text) const { fw::ShowMessageBox(m_owner, text, m_caption, MB_OK); }

    void FetchNetFile(const std::string& action);
    bool ReadTypedText(const std::string& prompt);
    bool ReadSelectedStructure();
    void Request();
    void SecondRequest(const std::string& answer);

    Application& m_application;
    const basic_RegistryKey& m_key;
    const std::string& m_itemPath;
    const HWND m_owner;
    const std::string& m_caption;
    const std::string& m_inputText;
    IDispatch* const m_target;
    short& m_result;

    std::string m_host, m_url, m_body, m_structureHost, m_structureTarget;
    std::string m_typed;     // the typed text as sent; empty for a structure search
    std::string m_proxyURL;  // set only when the choice dialog ran
};

void ItemRun::Run()
{
    // A fetch item may carry web service values too; the fetch wins.
    if (auto action = Value("GetNetFile"))
        return FetchNetFile(*action);
    auto host = Value("Host"), target = Value("Target"), postData = Value("PostData");
    if (!host || !target || !postData) {
        if (auto page = Value("ShowPage"))
            fw::ShellOpen(m_owner, *page, std::string());
        return;
    }
    m_host = *host;
    m_url = *target;
    m_body = *postData;
    m_structureHost = Value("StructureHost").value_or("");
    m_structureTarget = Value("StructureTarget").value_or("");

    const auto prompt = Value("Prompt");
    if (!(prompt ? ReadTypedText(*prompt) : ReadSelectedStructure()))
        return;

    try {
        Request();
    } catch (const COleDispatchException& error) {
        m_result = kItemDispatchError;
        const long code = error.ErrorCode();
        if (Direct()) {
            if (code == kEmptyStructureCode)
                m_result = kItemEmptyStructure;
        } else {
            ShowMessage(code == kEmptyStructureCode ? kEmptyStructureMessage : AccessErrorMessage(m_host + m_url, code));
        }
    }
}

void ItemRun::FetchNetFile(const std::string& action)
{
    const NetFileFetch& fetch = InstalledNetFileFetch();
    if (!fetch.runDialog || !fetch.isAFile || !fetch.open)
        return;
    char path[kNetFilePathSize] = {};
    if (fetch.runDialog(m_application.Name(), m_itemPath, action, m_caption, path) != IDOK)
        return;
    // The dialog writes a terminated path; a full buffer without a terminator is not one.
    const std::string stored(path, strnlen(path, sizeof path));
    if (stored.size() < sizeof path && fetch.isAFile(stored))
        fetch.open(m_application, stored);
}

// False when the user cancelled the prompt.
bool ItemRun::ReadTypedText(const std::string& prompt)
{
    std::string text = m_inputText;
    if (!Direct()) {
        auto typed = RunTextDialog(IDD_PROMPT, m_owner, m_caption, prompt, std::string());
        if (!typed)
            return false;
        text = *typed;
    }
    m_typed = EscapeTypedText(text, RequiresURLEncoding(m_key, "POST"));
    m_body += m_typed;
    if (Direct())
        m_body += kDirectRunSuffix;
    return true;
}

// False when the selection was refused or the user cancelled the choice dialog.
bool ItemRun::ReadSelectedStructure()
{
    const std::string dataType = Value("InputMimeType").value_or(vlxMimeType);
    std::string data, message;
    int reactions = 0;
    VelmoraSelectionType selectionType = SelectionSubstructure;
    if (!GetStructureData(m_application, dataType, data, reactions, message, selectionType)) {
        ShowMessage(message);
        return false;
    }
    const std::size_t appended = m_body.size();
    m_body += IsBinary(dataType) ? std::string(mxBinaryToBase64(data, false, kBase64LineLength)) : data;
    if (RequiresURLEncoding(m_key, "POST"))
        EncodeStructureForForm(m_body, appended);

    const auto dialogId = m_key.QueryDword("Dialog" + std::to_string(reactions));
    if (!dialogId)
        return true;
    auto choice = RunChoiceDialog(*dialogId, m_owner, message, selectionType, ReadProxyURL());
    if (!choice)
        return false;
    m_proxyURL = choice->proxyURL;
    WriteProxyURL(m_proxyURL);
    if (auto suffix = Value("Target" + std::to_string(choice->option)))
        m_url += *suffix;
    return true;
}

void ItemRun::Request()
{
    // MSXML sends a text body as UTF-8, so the signature covers the UTF-8 bytes, not the narrow ones.
    const HeaderMap headers = SetupHeaders(m_key, "POST", TextBodyOnTheWire(m_body), m_proxyURL);
    std::string answer;
    int status = 0;
    m_result = static_cast<short>(SendHttpRequest(m_host, "POST", m_url, headers, m_body, answer, status));
    if (m_result == kItemRequestFailed) {
        if (!m_typed.empty() && !answer.empty())
            answer = AppendTypedText(std::move(answer), m_typed);
        else
            AddErrorString(m_key, status, answer);
        if (!Direct())
            ShowMessage(answer);
        return;
    }
    if (auto page = Value("ShowPage")) {
        fw::ShellOpen(m_owner, *page + EscapeForURL(answer), std::string());
        m_result = kItemDone;
        return;
    }
    if (m_structureHost.empty() || m_structureTarget.empty()) {
        if (auto description = Value("ResultsDescription")) {
            RunTextDialog(IDD_RESULTS, m_owner, m_caption, *description, answer);
            m_result = kItemDone;
            return;
        }
    }
    if (Direct() && answer.find(',') != std::string::npos) {
        m_result = kItemListAnswer;
        return;
    }
    SecondRequest(answer);
}

// Fetches the structure the first answer names and puts it into the document.
void ItemRun::SecondRequest(const std::string& answer)
{
    const std::string name = EscapeForRequestPath(answer);
    // An answer names a structure inside the configured target, never another resource of the host.
    if (LeavesPath(m_structureTarget, name))
        throw COleDispatchException("The answer names no structure under " + m_structureTarget, 0, INET_E_INVALID_URL);
    const HeaderMap headers = SetupHeaders(m_key, "GET", std::string(), std::string());
    std::string structure;
    int status = 0;
    m_result = static_cast<short>(SendHttpRequest(m_structureHost, "GET", m_structureTarget + name, headers,
                                                  std::string(), structure, status));
    if (m_result != kItemRequestFailed) {
        SetStructureData(m_application, structure, m_target);
    } else if (!Direct()) {
        AddErrorString(m_key, status, structure);
        ShowMessage(structure);
    }
}

} // namespace

std::string AccessErrorMessage(const std::string& url, long errorCode)
{
    const std::string start = "An error occurred accessing ";
    const std::string end = "\nError code: " + std::to_string(errorCode);
    if (start.size() + url.size() + end.size() <= kAccessErrorMessageLimit)
        return start + url + end;
    const std::string ellipsis = "...";
    const std::size_t room = kAccessErrorMessageLimit - start.size() - end.size() - ellipsis.size();
    return start + std::string(fw::CutToWholeCharacters(url, room)) + ellipsis + end;
}

short ExecuteItem(Application& application, const std::string& itemPath, const std::string& caption,
                  const std::string& inputText, IDispatch* target) noexcept
{
    short result = kItemDone;
    try {
        const HWND owner = OwnerWindow(application.MainWindow());
        const basic_RegistryKey key = OpenItemKey(itemPath);
        std::string title = caption;
        if (title.ends_with("..."))
            title.resize(title.size() - 3);
        ItemRun(application, key, itemPath, owner, title, inputText, target, result).Run();
    } catch (...) {
        // A configuration that cannot be read, a host the add-in does not know, a header list that does not
        // decipher, any error outside the request steps: the run ends silently with the result reached.
    }
    return result;
}
