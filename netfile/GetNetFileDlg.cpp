#include "netfile/GetNetFileDlg.h"

#include "addin/RegistryKey.h"
#include "framework/resources.h"
#include "framework/text.h"
#include "framework/ui_seams.h"
#include "netfile/GetNetFile.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <array>
#include <cstring>

using netfile::DialogState;

namespace {

// Input boxes and their labels, in pixels: each box takes one row, and the template's controls move down
// by one row per box.
constexpr int kRowHeight = 27;
constexpr int kFirstRowTop = 6;
constexpr int kBoxLeft = 93;
constexpr int kBoxRight = 293;
constexpr int kBoxDropHeight = 90;
constexpr int kLabelLeft = 5;
constexpr int kLabelRight = 91;

// Every control of the template: they all move down to make room for the input boxes.
constexpr std::array<int, 9> kTemplateControls = {IDC_SAVEAS,  IDC_SAVEAS_PATH, IDC_SPEED,
                                                  IDC_DOWNLOADED, IDC_PERCENT, IDC_PROGRESS,
                                                  IDC_EXIT_CANCEL, IDC_GETFILE, IDC_STATUS};

constexpr int kDesktopFolder = 5;
constexpr int kInternetCacheFolder = 32;
// Values read back per input box; SaveUsedPDBID writes up to kHistoryWritten, as stored preferences have them.
constexpr int kHistoryRead = 9;
constexpr int kHistoryWritten = 11;

constexpr char kSaveAsPathValue[] = "SaveAs Path";

// The history subkey of input box `index` (0-based) below the preference key.
std::string HistoryKeyPath(const std::string& preferenceKey, int index)
{
    return preferenceKey + "\\#" + std::to_string(index + 1);
}

std::string HistoryValueName(int position)
{
    return "#" + std::to_string(position + 1);
}

void SetEnabled(HWND window, bool enabled)
{
    if (window != nullptr)
        EnableWindow(window, enabled);
}

std::wstring ComboItemText(HWND box, int index)
{
    const LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

void InsertComboItem(HWND box, int index, const std::wstring& text)
{
    SendMessageW(box, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Equal but for letter case. A linguistic comparison would also match other values that merely sort alike
// ("SS" and the sharp s, a soft hyphen and none), and moving the typed value would drop one of those.
bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// Moves a control down, keeping its size.
void MoveDown(HWND dialog, HWND control, int pixels)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(control, nullptr, rect.left, rect.top + pixels, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

CGetNetFileDlg::CGetNetFileDlg(const std::string& appName, const std::string& keyPath, const std::string& action,
                               const std::string& title, char* pOutPath, HWND pParent)
    : CDialog(IDD_GETNETFILE, pParent), m_pOutPath(pOutPath), m_ui(appName, keyPath, action), m_strTitle(title)
{
    // The template's progress bar is a common control.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
}

CGetNetFileDlg::~CGetNetFileDlg() = default;

std::span<const fw::MessageMapEntry> CGetNetFileDlg::GetMessageMap() const
{
    static const fw::MessageMapEntry entries[] = {
        fw::map::Command(IDC_GETFILE, &CGetNetFileDlg::OnGetFile),
        fw::map::Command(IDC_EXIT_CANCEL, &CGetNetFileDlg::OnExitCancel),
        fw::map::Command(IDC_SAVEAS, &CGetNetFileDlg::OnSaveAs),
        // WM_GETNETFILE shares its number with DM_SETDEFID: answering it here also keeps the default dialog
        // processing from taking a thread id for a default button.
        fw::map::Message(WM_GETNETFILE, &CGetNetFileDlg::OnGetNetFile),
    };
    return entries;
}

void CGetNetFileDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_SAVEAS_PATH, m_strSavePath);
}

BOOL CGetNetFileDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_inputBoxes.clear();
    m_inputLabels.clear();
    m_initId = m_linkId = m_downloadId = 0;
    SetWindowText("GetNetFile");
    SendMessageW(GetDlgItem(IDC_PROGRESS), PBM_SETRANGE32, 0, 100);

    m_strSavePath = GetSaveAsPath();
    ShowSavePath();

    EnterState(DialogState::Initialising);
    SetStatusText("Initializing ...");
    m_initId = m_ui.StartInit(m_hWnd);
    return TRUE;
}

void CGetNetFileDlg::OnDestroy()
{
    // Workers still running report to this window: stop them (and wait for them) while it exists.
    m_ui.Cancel();
}

void CGetNetFileDlg::InitializeDlg()
{
    std::string caption;
    std::vector<std::string> labels;
    if (!m_ui.EndInit(caption, labels)) {
        // The init job's id stays, so Cancel closes the dialog.
        m_state = DialogState::InitFailed;
        SetStatusText("Cannot connect to Server");
        return;
    }
    m_initId = 0;
    SetWindowText(m_strTitle.empty() ? caption : m_strTitle);
    for (const std::string& label : labels)
        CreateInputBox(label);

    InvalidateRect(m_hWnd, nullptr, TRUE);
    if (!m_inputBoxes.empty()) {
        const int shift = kRowHeight * static_cast<int>(m_inputBoxes.size());
        for (int id : kTemplateControls)
            if (HWND control = GetDlgItem(id))
                MoveDown(m_hWnd, control, shift);
        RECT frame{};
        GetWindowRect(m_hWnd, &frame);
        SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + shift,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShiftStatus(true);
    SetStatusText("Ready");
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    if (!m_inputBoxes.empty())
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_inputBoxes.front()), TRUE);
}

void CGetNetFileDlg::CreateInputBox(const std::string& label)
{
    const int index = static_cast<int>(m_inputBoxes.size());
    std::string shown;
    std::vector<std::string> items;
    const bool fixedChoices = netfile::ParseListValues(label, shown, items);
    if (!fixedChoices) {
        shown = label;
        GetUsedPDBIDs(index, items);
    }

    // The sort style stays, as the boxes always had it; items go in at explicit positions, so they keep
    // their order.
    const DWORD style = WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_AUTOHSCROLL | CBS_SORT |
                        (fixedChoices ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
    const int top = kFirstRowTop + kRowHeight * index;
    HINSTANCE instance = fw::ResourceModule();
    HWND box = CreateWindowExW(0, WC_COMBOBOXW, L"", style, kBoxLeft, top, kBoxRight - kBoxLeft, kBoxDropHeight,
                               m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_INPUT_BOX)), instance, nullptr);
    if (box == nullptr)
        return;
    for (std::size_t item = 0; item < items.size(); ++item)
        InsertComboItem(box, static_cast<int>(item), fw::Widen(items[item]));
    if (!items.empty())
        SendMessageW(box, CB_SETCURSEL, 0, 0);
    const auto font = SendMessageW(m_hWnd, WM_GETFONT, 0, 0);
    SendMessageW(box, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    ShowWindow(box, SW_SHOW);

    HWND labelWindow = CreateWindowExW(0, WC_STATICW, fw::Widen(shown).c_str(), WS_CHILD | WS_VISIBLE, kLabelLeft,
                                       top, kLabelRight - kLabelLeft, kRowHeight, m_hWnd,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_INPUT_LABEL)), instance,
                                       nullptr);
    if (labelWindow != nullptr)
        SendMessageW(labelWindow, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    m_inputBoxes.push_back(box);
    m_inputLabels.push_back(labelWindow);
}

void CGetNetFileDlg::SetStatusText(const std::string& text)
{
    SetDlgItemText(IDC_STATUS, text);
}

void CGetNetFileDlg::SetWorkingStatus(long speed, long kilobytes, long percent)
{
    SetDlgItemText(IDC_SPEED, netfile::SpeedText(speed));
    SetDlgItemText(IDC_PERCENT, netfile::PercentText(percent));
    SetDlgItemText(IDC_DOWNLOADED, netfile::AmountText(kilobytes));
    SendMessageW(GetDlgItem(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void CGetNetFileDlg::ShiftStatus(bool enable)
{
    EnterState(enable ? DialogState::Ready : DialogState::Fetching);
}

void CGetNetFileDlg::EnterState(DialogState state)
{
    m_state = state;
    const netfile::StateControls controls = netfile::ControlsOf(state);
    for (HWND box : m_inputBoxes)
        SetEnabled(box, controls.inputsEnabled);
    for (int id : {IDC_SAVEAS_PATH, IDC_SAVEAS, IDC_GETFILE})
        SetEnabled(GetDlgItem(id), controls.inputsEnabled);
    SetDlgItemText(IDC_EXIT_CANCEL, std::string(controls.exitCancel));
    if (!controls.inputsEnabled)
        return;
    SetWorkingStatus(0, 0, 0);
    if (!m_inputBoxes.empty()) {
        HWND first = m_inputBoxes.front();
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        if (GetWindowTextLengthW(first) > 0)
            SendMessageW(first, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    }
}

void CGetNetFileDlg::OnOK()
{
    // Enter: stops the running step while the button reads "Cancel", fetches otherwise.
    if (!netfile::ControlsOf(m_state).inputsEnabled)
        OnExitCancel();
    else
        OnGetFile();
}

void CGetNetFileDlg::OnCancel()
{
    OnExitCancel();
}

void CGetNetFileDlg::OnGetFile()
{
    UpdateData(true);
    m_values.clear();
    for (HWND box : m_inputBoxes) {
        std::string value = netfile::TrimInputValue(fw::Narrow(WindowText(box)));
        // Upper case as the system code page has it.
        if (!value.empty())
            CharUpperBuffA(value.data(), static_cast<DWORD>(value.size()));
        m_values.push_back(std::move(value));
    }
    ShiftStatus(false);
    SetStatusText("Initializing data ...");
    m_downloadId = 0;
    m_kilobytes.Reset();
    m_linkId = m_ui.StartGetLink(m_values, m_hWnd);
    if (m_linkId == 0) {
        SetStatusText("Error on launching thread");
        ShiftStatus(true);
    }
}

void CGetNetFileDlg::OnExitCancel()
{
    if (netfile::ExitCancelEndsDialog(m_state, m_initId != 0)) {
        EndDialog(IDCANCEL);
        return;
    }
    // The jobs are stopped and gone now, but what they sent before may still wait in the queue: a finished
    // get-link step would start the download, a named file would clear the save path. Their ids are
    // forgotten so that none of it is handled, and the step ends here as a stopped job's finish notice ends it.
    m_ui.Cancel();
    const bool downloading = m_downloadId != 0;
    const bool stepRunning = downloading || m_linkId != 0;
    m_linkId = m_downloadId = 0;
    if (downloading)
        OnDownloadMsg(gnfFinished, gnfCancelled);
    else if (stepRunning)
        OnDownloadMsg(gnfCancelled, 0);
    else
        ShiftStatus(true);
}

void CGetNetFileDlg::OnSaveAs()
{
    std::string filter;
    std::string defaultExtension;
    m_ui.GetFileExts(filter, defaultExtension);
    fw::SaveFileDialogCall call;
    call.owner = m_hWnd;
    call.defaultExtension = defaultExtension;
    call.initialName =
        netfile::SaveAsInitialName(m_strSavePath, CGetNetFile::IsAFolder(m_strSavePath), defaultExtension);
    call.filter = filter;
    call.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (auto chosen = fw::ShowSaveFileDialog(call)) {
        m_strSavePath = *chosen;
        ShowSavePath();
    }
}

LRESULT CGetNetFileDlg::OnGetNetFile(WPARAM wParam, LPARAM lParam)
{
    if (wParam == 0)
        return 0;
    const WORD code = HIWORD(lParam);
    const WORD value = LOWORD(lParam);
    if (wParam == m_initId)
        OnInitMsg(code, value);
    else if (wParam == m_linkId)
        OnGetLinkMsg(code, value);
    else if (wParam == m_downloadId)
        OnDownloadMsg(code, value);
    return 0;
}

void CGetNetFileDlg::OnInitMsg(WORD code, WORD value)
{
    if (code != gnfFinished)
        return;
    if (value != gnfSuccess)
        SetStatusText("Error on server. Try itself ...");
    InitializeDlg();
}

void CGetNetFileDlg::OnGetLinkMsg(WORD code, WORD value)
{
    if (code != gnfFinished)
        return;
    m_linkId = 0;
    if (value == gnfCancelled) {
        OnDownloadMsg(gnfCancelled, 0);
        return;
    }
    // The item's own configuration may still give the link.
    if (value != gnfSuccess)
        SetStatusText("Error on server. Try itself ...");
    if (m_strSavePath.empty()) {
        m_strSavePath = CGetNetFile::GetUserFolder(kInternetCacheFolder);
        ShowSavePath();
    }
    std::string destination = m_strSavePath;
    m_downloadId = m_ui.StartDownload(destination, m_values, m_hWnd);
    if (m_downloadId == 0) {
        SetStatusText("No records found!");
        ShiftStatus(true);
    }
}

void CGetNetFileDlg::OnDownloadMsg(WORD code, WORD value)
{
    switch (code) {
    case gnfSuccess:
        // A path the caller's buffer cannot hold whole would come out as a different path: refuse it.
        if (m_strSavePath.size() > netfile::kMaxOutputPath) {
            OnDownloadMsg(gnfFinished, gnfFileFailure);
            return;
        }
        if (m_pOutPath != nullptr)
            std::memcpy(m_pOutPath, m_strSavePath.c_str(), m_strSavePath.size() + 1);
        SaveInputItems();
        EndDlg(IDOK);
        return;
    case gnfFinished:
        if (value != gnfFinished) {
            OnDownloadMsg(value, 0);
            if (value == gnfSuccess)
                return;
        }
        m_strSavePath = netfile::FailedSavePath(m_strSavePath, CGetNetFile::IsAFolder(m_strSavePath));
        ShowSavePath();
        break;
    case gnfSpeed:
        SetDlgItemText(IDC_SPEED, netfile::SpeedText(value));
        break;
    case gnfKilobytes:
        SetDlgItemText(IDC_DOWNLOADED, netfile::AmountText(static_cast<long>(m_kilobytes.Update(value))));
        break;
    case gnfPercent:
        SetDlgItemText(IDC_PERCENT, netfile::PercentText(value));
        SendMessageW(GetDlgItem(IDC_PROGRESS), PBM_SETPOS, value, 0);
        break;
    case gnfFileNamed:
        m_strSavePath = m_ui.GetSaveAsFilename();
        ShowSavePath();
        SetStatusText(netfile::SaveToText(netfile::FileNameOf(m_strSavePath)));
        break;
    default:
        break;
    }
    if (code >= 1 && code <= gnfFinished)
        ShiftStatus(true);
    if (auto text = netfile::DownloadStatusText(code))
        SetStatusText(std::string(*text));
}

void CGetNetFileDlg::EndDlg(INT_PTR result)
{
    if (result == IDOK && CGetNetFile::IsAFile(m_strSavePath)) {
        const std::string folder = netfile::FolderOf(m_strSavePath);
        if (!folder.empty() && CGetNetFile::IsAFolder(folder))
            SetSaveAsPath(folder);
    }
    EndDialog(result);
}

std::string CGetNetFileDlg::GetSaveAsPath()
{
    basic_RegistryKey preferences(HKEY_CURRENT_USER, m_ui.GetPrefReg(), KEY_READ);
    if (!preferences.IsOpen())
        return {};
    std::string folder;
    if (!CGetNetFile::RegQueryValueA(preferences.Handle(), kSaveAsPathValue, folder) ||
        !CGetNetFile::IsAFolder(folder))
        folder = CGetNetFile::GetUserFolder(kDesktopFolder);
    return netfile::WithTrailingSeparator(std::move(folder));
}

void CGetNetFileDlg::SetSaveAsPath(const std::string& folder)
{
    basic_RegistryKey preferences(HKEY_CURRENT_USER, m_ui.GetPrefReg(), KEY_WRITE, true);
    if (preferences.IsOpen())
        CGetNetFile::RegSetValueA(preferences.Handle(), kSaveAsPathValue, folder);
}

bool CGetNetFileDlg::GetUsedPDBIDs(int index, std::vector<std::string>& values)
{
    values.clear();
    basic_RegistryKey history(HKEY_CURRENT_USER, HistoryKeyPath(m_ui.GetPrefReg(), index), KEY_READ);
    if (!history.IsOpen())
        return false;
    for (int position = 0; position < kHistoryRead; ++position) {
        std::string value;
        if (!CGetNetFile::RegQueryValueA(history.Handle(), HistoryValueName(position).c_str(), value))
            break;
        values.push_back(std::move(value));
    }
    return true;
}

bool CGetNetFileDlg::SaveUsedPDBID(int index)
{
    HWND box = m_inputBoxes.at(static_cast<std::size_t>(index));
    const std::wstring text = WindowText(box);
    if (!text.empty()) {
        const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
        for (int item = 0; item < count; ++item) {
            if (EqualIgnoringCase(ComboItemText(box, item), text)) {
                SendMessageW(box, CB_DELETESTRING, static_cast<WPARAM>(item), 0);
                break;
            }
        }
        InsertComboItem(box, 0, text);
    }
    basic_RegistryKey history(HKEY_CURRENT_USER, HistoryKeyPath(m_ui.GetPrefReg(), index), KEY_WRITE, true);
    if (!history.IsOpen())
        return false;
    const int count = std::min(static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0)), kHistoryWritten);
    for (int item = 0; item < count; ++item)
        CGetNetFile::RegSetValueA(history.Handle(), HistoryValueName(item).c_str(),
                                  fw::Narrow(ComboItemText(box, item)));
    return true;
}

void CGetNetFileDlg::SaveInputItems()
{
    for (std::size_t index = 0; index < m_inputBoxes.size(); ++index)
        SaveUsedPDBID(static_cast<int>(index));
}
