#pragma once

#include <QWidget>

class ClassRegistry;
class PalavoCtrl;
class IMessageBoxService;
class QSessionManager;

// The program's only window: captioned "Palavo XP" with the product icon, filled by
// one chat control made from the class registry. It adds nothing but the question
// before closing and the control's orderly shutdown when it goes.
class MainForm : public QWidget
{
    Q_OBJECT
public:
    // The chat control's class must be registered in `registry` first
    // (PalavoCtrlModule); `boxes` asks the question before closing. Both outlive the window.
    MainForm(ClassRegistry& registry, IMessageBoxService& boxes, QWidget* parent = nullptr);
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

private:
    // True when the user agrees to close.
    bool Form_QueryUnload();
    // The window goes: the control leaves the network. Runs once.
    void Form_Unload();
    // A session that ends asks the same question; No keeps the session from ending.
    void OnCommitDataRequest(QSessionManager& manager);
    // Every open file transfer stops as its own stop button would.
    void StopTransfers();

    IMessageBoxService& m_boxes;
    PalavoCtrl* m_palavoCtrl1 = nullptr;
    // The user already said Yes (at session end), so the close that follows goes ahead.
    bool m_closeConfirmed = false;
    bool m_unloaded = false;
    bool m_endsProgram = false;
};
