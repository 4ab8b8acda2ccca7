#pragma once
// The description window: the fixed German help text with the key list,
// opened by "Beschreibung" (F12) at the main window's Window_Left/Window_Top;
// one at a time, closed through its menu item "Schliessen".
#include <QMainWindow>
#include <QPointer>
#include <QString>

class QAction;
class QPlainTextEdit;
class frmMain;

class frmDescr : public QMainWindow
{
    Q_OBJECT
public:
    static const QString Caption;            // "   Funktionsbeschreibung"

    // The description window of this main window, created on first use.
    static frmDescr *instance(frmMain *main);
    // The open description window, or null.
    static frmDescr *current();

    // Placement and text.
    void Form_Load();

    QPlainTextEdit *Text1() const { return m_text1; }
    QAction *mnuClose = nullptr;

public slots:
    void mnuClose_Click();

private:
    explicit frmDescr(frmMain *main);

    static QPointer<frmDescr> s_instance;
    QPointer<frmMain> m_main;
    QPlainTextEdit *m_text1 = nullptr;
};
