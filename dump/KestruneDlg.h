// The tool panel: the main window's control layer. Runs the start-up checks, fills the dump-type
// list, drives the set, probe and export jobs under the busy popup and reports their results.
#pragma once
#include "crypto/AesCipher.h"
#include "dump/CrashDumpJobs.h"
#include "feedback/FeedbackLibrary.h"
#include "feedback/ToolIdentity.h"
#include "fw/ComboBox.h"
#include "fw/CriticalSection.h"
#include "ui/controls/CheckBoxBtn.h"
#include "ui/controls/DrawTextStatic.h"
#include "ui/controls/ImageButton.h"
#include "ui/controls/LeftClickHook.h"
#include "ui/controls/PngButton.h"
#include "ui/frame/ControlLayerDlg.h"

#include <string>

class CExecutePromptDlg;

class CKestruneDlg : public CControlLayerDlg {
public:
    CKestruneDlg();
    ~CKestruneDlg() override;

    static constexpr UINT_PTR IDT_LINK_HOVER = 33;
    static constexpr UINT_PTR IDT_STARTUP_CHECK = 38;

    // Fills the dump-type list with the catalogue of the detected version class.
    void FillDumpTypeList();
    // Reads a profile value; true (and out set) when at least one character was copied.
    static bool ReadIniValue(std::wstring section, std::wstring key, std::wstring file,
                             std::wstring& out);
    // Decodes a stored device-type value into out (outSize bytes); the decoded text's length.
    int DecodeDeviceValue(const char* encoded, char* out, size_t outSize, const char* key);

    CFeedbackLibrary m_feedbackLib;
    FeedbackInitInfo m_feedbackInfo = {};
    int m_nDeviceType = 0;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool GetDragStrip(RECT& strip) const override;

private:
    void RunStartupChecks();
    void DetectHostClient();
    void RunUpdateAndProbe();

    void LayoutControls(bool first) override;
    void OnEraseBackground(HDC dc) override;
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    void OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnJobResult(WPARAM result);
    LRESULT OnCloseBusyPrompt();
    void OnAgreeClicked();
    void OnSet();
    void OnExport();
    void OnMoreTools();
    void OnDestroy() override;

    // owner null: the main window's last active popup.
    void ShowPrompt(const wchar_t* text, HWND owner = nullptr);
    void FailStartup(const wchar_t* text);
    void RunBusyPopup(const wchar_t* text);
    static DWORD WINAPI AgreementGatingThread(LPVOID context);

    RECT m_rcClient = {0, 0, 0, 0};
    int m_bFontCreated = 0;
    CFont m_font;
    CDrawTextStatic m_title;
    CPngButton m_btnClose;
    CPngButton m_btnMinimize;
    CComboBox m_listDumpType;
    CImageButton m_btnSet;
    CImageButton m_btnExport;
    CImageButton m_btnMoreTools;
    CCheckBoxBtn m_chkAgree;
    CDrawTextStatic m_linkAgreement;
    CDrawTextStatic m_linkFeedback;
    LeftClickHook m_hook;
    CCrashDumpJobs m_jobs;
    CExecutePromptDlg* m_pBusyDlg = nullptr;
    CAesCipher m_aes;
    // Makes each gating thread's read of the check box and its apply one step.
    CCriticalSection m_csAgreement;
};
