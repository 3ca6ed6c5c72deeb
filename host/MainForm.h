#pragma once

#include "platform/TrayService.h"

#include <QWidget>

class ClassRegistry;
class PalavoCtrl;
class IMessageBoxService;
class QSessionManager;

// The program's only window: captioned "Palavo XP" with the product icon, filled by
// one chat control made from the class registry. It adds the question before closing,
// the control's orderly shutdown when it goes and, where the desktop has a tray, the
// answers to the tray icon's menu (and, when the user chose so, closing into the tray).
class MainForm : public QWidget, private ITrayCommands
{
    Q_OBJECT
public:
    // The chat control's class must be registered in `registry` first
    // (PalavoCtrlModule); `boxes` asks the question before closing; `tray` (may be null)
    // is the icon whose menu the window answers. All outlive the window.
    MainForm(ClassRegistry& registry, IMessageBoxService& boxes, ITrayService* tray = nullptr,
             QWidget* parent = nullptr);
    ~MainForm() override;

    // Null only when the class registry could not make the control.
    PalavoCtrl* PalavoCtrl1() const { return m_palavoCtrl1; }

    // The program ends when this window unloads, even while other top-level windows
    // (the file-transfer windows of the component) are open: the program calls this.
    void EndProgramOnUnload() { m_endsProgram = true; }

    // Hidden or minimised: shown again as it was, in front of the others, with the focus.
    void ShowAndRaise();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // True when the user agrees to close.
    bool Form_QueryUnload();
    // The window goes: the control leaves the network. Runs once.
    void Form_Unload();
    // A session that ends asks the same question; No keeps the session from ending.
    void OnCommitDataRequest(QSessionManager& manager);
    // Every open file transfer stops as its own stop button would.
    void StopTransfers();

    // ITrayCommands
    void TrayActivated() override;
    void TrayShowHide() override;
    void TrayPresence(bool present) override;
    void TrayQuit() override;
    // The desktop has a tray and the window answers its icon.
    bool HasTray() const;
    // A modal dialog (or the question) is up: the menu cannot act past it, as the
    // window's own controls cannot; the window is raised for the user to answer it first.
    bool ModalDialogOpen();
    void TellTrayWhetherShown();

    IMessageBoxService& m_boxes;
    ITrayService* m_tray;
    PalavoCtrl* m_palavoCtrl1 = nullptr;
    // The user already said Yes (at session end), so the close that follows goes ahead.
    bool m_closeConfirmed = false;
    bool m_unloaded = false;
    bool m_endsProgram = false;
};
