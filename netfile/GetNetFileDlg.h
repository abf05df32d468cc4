// The download dialog of a "GetNetFile" menu item: it asks the server which inputs the item takes and makes
// one input box per input, lets the chemist choose where to save, runs the get-link and download steps on
// worker threads while showing their progress, and ends with the stored file's path in the caller's buffer.
// Per item it remembers the last save folder and the recent values of each input box, below the item's
// preference key:
//
//   "SaveAs Path"          the folder of the last stored file, without a trailing "\"
//   "#<n>" \ "#1" ... "#11" the recent values of input box n (1-based), most recent first
//
// Only "#1" to "#9" are read back; "#10" and "#11" are still written, as they always were.
#pragma once

#include "framework/dialog.h"
#include "netfile/DownloadDialogModel.h"
#include "netfile/GetNetFileUI.h"
#include "netfile/OpenGetNetFile.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CGetNetFileDlg : public CDialog {
public:
    // The caller's buffer for the stored file's path.
    static constexpr std::size_t kOutPathSize = MAX_PATH;

    // appName: the host's Application.Name; keyPath: the item key's path; action: the item's "GetNetFile"
    // value; title: the window title once the inputs are known (empty: the server's caption); pOutPath: a
    // buffer of kOutPathSize bytes that receives the stored file's path when the dialog ends with IDOK.
    CGetNetFileDlg(const std::string& appName, const std::string& keyPath, const std::string& action,
                   const std::string& title, char* pOutPath, HWND pParent = nullptr);
    ~CGetNetFileDlg() override;

    // Completes the init step: the title, one input box per input, the dialog grown to hold them, Ready.
    void InitializeDlg();
    void SetStatusText(const std::string& text);
    void SetWorkingStatus(long speed, long kilobytes, long percent);
    // Enabled: Ready (inputs, Save As and Get File usable, the button reads "Exit"). Disabled: a step runs
    // (the button reads "Cancel").
    void ShiftStatus(bool enable);
    // Remembers the folder as the item's save folder.
    void SetSaveAsPath(const std::string& folder);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    std::span<const fw::MessageMapEntry> GetMessageMap() const override;

    void OnGetFile();
    void OnExitCancel();
    void OnSaveAs();
    LRESULT OnGetNetFile(WPARAM wParam, LPARAM lParam);
    void OnInitMsg(WORD code, WORD value);
    void OnGetLinkMsg(WORD code, WORD value);
    void OnDownloadMsg(WORD code, WORD value);
    // Remembers the folder of a stored file (IDOK), then ends the dialog.
    void EndDlg(INT_PTR result);

    // The remembered folder with a trailing "\" (the desktop when it is gone); empty before the item's
    // first use.
    std::string GetSaveAsPath();
    // The recent values of input box `index` (0-based); false, list empty, when there are none stored.
    bool GetUsedPDBIDs(int index, std::vector<std::string>& values);
    // Moves the box's text to the top of its list and stores the list.
    bool SaveUsedPDBID(int index);
    void SaveInputItems();
    void CreateInputBox(const std::string& label);

private:
    void EnterState(netfile::DialogState state);
    void ShowSavePath() { UpdateData(false); }

    char* m_pOutPath;
    std::vector<HWND> m_inputBoxes;   // child windows of the dialog: they go with it
    std::vector<HWND> m_inputLabels;
    DWORD m_initId = 0;
    DWORD m_linkId = 0;
    DWORD m_downloadId = 0;
    CGetNetFileUI m_ui;
    std::string m_strSavePath;
    std::string m_strTitle;
    std::vector<std::string> m_values;
    netfile::DialogState m_state = netfile::DialogState::Initialising;
    netfile::KilobyteCounter m_kilobytes;
};
