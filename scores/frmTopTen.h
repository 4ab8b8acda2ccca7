#pragma once
// The high-score window "    Top Ten": ten rows of rank, name and move count
// under the heading "Highscores", with the menu commands "Liste &löschen"
// (reset the list, once the player has confirmed it) and "Schliessen". It also asks a winner for a name
// (Start) and places the result (Score_Insert).
//
// It is created on first use and placed at the position its owner gives;
// loading it (Form_Load) reads the list of its board size (scr.cxa for the
// 4 x 4 board) or creates it; the heading names any other size. It is a
// top-level window of its owner, modal for the whole application but shown
// without blocking, and deletes itself when it closes, so the next opening
// reads the file again.
#include "game/Tiles.h"
#include "scores/ScoreList.h"

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

class QAction;
class QGroupBox;
class QLabel;

class frmTopTen : public QMainWindow
{
    Q_OBJECT
public:
    // A window of owner that opens at position (twips, the frame's corner),
    // showing the list of the board of side x side fields.
    frmTopTen(QWidget *owner, QPoint position, int side = Tiles::DocumentedSide);

    // The heading: "Highscores", followed by the size for a board other
    // than 4 x 4.
    static QString heading(int side);

    // Placement, then the file read (or created) and the rows shown.
    void Form_Load();

    // After a won game: asks for the name in the input box "High Scores",
    // whose corner goes to the centre of the owner's frame (ownerFrame in
    // twips) and which takes no more than the 15 characters a name has in
    // the list. The answer (blanks count) is the player's name; empty after
    // cancel or an empty name, when nothing is to be placed.
    static QString Start(QWidget *owner, const QRect &ownerFrame);

    // Asked before the list is emptied ("Liste löschen").
    static QString deleteQuestion();

    // Builds the rows, shows the window and brings it to the front. The
    // rows' texts are left as they are.
    void display();

    // Fills the rows from the list's file, or writes and shows the default
    // list when the file is missing.
    void File_Read();

    // Places the move count zuege under PlayerName and rewrites the file; a
    // result that does not qualify leaves list and file alone.
    void Score_Insert(qint16 zuege, const QString &PlayerName);

    const ScoreList &list() const { return m_list; }
    int side() const { return m_side; }
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
    void showRows();
    void placeRows();
    void placeFrame();
    void fitToTexts();
    void report(const char *text);   // a text marked for translation

    QPoint m_position;
    QWidget *m_client = nullptr;   // holds the heading and the rows
    int m_side;
    ScoreList m_list;
    bool m_closing = false;
};
