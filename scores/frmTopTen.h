#pragma once
// The high-score window "    Top Ten": ten rows of rank, name and move count
// under the heading "Highscores", with the menu commands "Liste &löschen"
// (reset the list) and "Schliessen". It also asks a winner for a name
// (Start) and places the result (Score_Insert).
//
// There is at most one window per main window. It is created on first use
// (which reads scr.cxa or creates it), is a top-level window of the main
// window, modal for the whole application but shown without blocking, and
// deletes itself when it closes, so the next opening reads the file again.
#include "scores/ScoreList.h"

#include <QMainWindow>
#include <QString>
#include <QVector>

class frmMain;
class QAction;
class QGroupBox;
class QLabel;

class frmTopTen : public QMainWindow
{
    Q_OBJECT
public:
    // The window of main; when it is not loaded it is created and loaded
    // (placed, the file read or created, the rows shown).
    static frmTopTen *instance(frmMain *main);
    // The loaded window of main, or nullptr; never creates one.
    static frmTopTen *loaded(frmMain *main);

    // After a won game: asks for the name in the input box at the centre of
    // the main window; a non-empty answer (blanks count), cut to 15
    // characters, is placed in the list, which loads and shows the window.
    // Cancel or an empty name changes nothing and opens nothing.
    static void Start(frmMain *main);

    // The name typed in after the last win, at most 15 characters.
    static QString PlayerName;

    static const QString Caption;      // "    Top Ten"
    static const QString InputTitle;   // "High Scores"
    static const QString InputPrompt;  // the congratulation and the request for a name
    static const QString WriteFailedText;
    static const QString ReadFailedText;

    // Builds the rows, shows the window and brings it to the front. The
    // rows' texts are left as they are.
    void display();

    // Fills the rows from scr.cxa, or writes and shows the default list when
    // the file is missing.
    void File_Read();

    // Places the move count of the main window under PlayerName and rewrites
    // the file; a result that does not qualify leaves list and file alone.
    void Score_Insert();

    const ScoreList &list() const { return m_list; }
    // True once the window has begun to close.
    bool closing() const { return m_closing; }

    QLabel *Label1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QVector<QLabel *> lblNr, lblName, lblScore;
    QAction *mnuDelete = nullptr;
    QAction *mnuClose = nullptr;

public slots:
    void mnuDelete_Click();
    void mnuClose_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    explicit frmTopTen(frmMain *main);
    void Form_Load();
    void showRows();
    void report(const QString &text);

    frmMain *m_main;
    ScoreList m_list;
    bool m_closing = false;
};
