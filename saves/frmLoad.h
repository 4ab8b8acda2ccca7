#pragma once
// The save/load dialog: lists the saved games in Saves, takes a name, and
// saves the running game under it, loads a saved game, or deletes one. The
// mode (save or load) is given through display() before the window shows.
//
// The dialog is a top-level window of its owner, modal for the whole
// application but shown without blocking; it deletes itself when it closes,
// so every opening starts afresh in its mode. It saves the game it was given
// when it opened; a game chosen for loading is handed over by gameChosen.
#include "game/GameSession.h"
#include "saves/SavedGame.h"

#include <QDialog>
#include <QPoint>
#include <QString>
class QLineEdit;
class QListWidget;
class QPushButton;

class frmLoad : public QDialog
{
    Q_OBJECT
public:
    // A dialog of owner at position (twips) that saves current.
    frmLoad(QWidget *owner, QPoint position, const GameState &current);

    enum class Mode { Save, Load };
    // Stores the mode, sets the window up (Form_Load) and shows it, unless
    // Form_Load closed it (load mode without saved games).
    void display(Mode act);

    // Places the window at its position, creates Saves when
    // missing, fills the list and sets the captions for the mode. In load mode
    // with no saved game it says so and closes at once.
    void Form_Load();

    // True once the dialog has begun to close; a new opening then makes a new one.
    bool closing() const { return m_closing; }

    QListWidget *File1 = nullptr;
    QLineEdit *txtLoad = nullptr;
    QPushButton *cmdLoad = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdCancel = nullptr;

    // A row of the list: the name, and beside it the board's size for a
    // saved game on a board other than 4 x 4 (side 0: not a saved game).
    // The size is no part of the name the row puts into the name box.
    static QString rowText(const QString &name, int side);

    // What the player reads for a problem with a saved game or its name.
    static QString problemText(const SavedGame::Problem &problem);

signals:
    // A saved game was read and checked; the owner applies it. The dialog
    // closes right after.
    void gameChosen(const GameState &game);

public slots:
    void cmdLoad_Click();
    void cmdDelete_Click();
    void cmdCancel_Click();
    void File1_Click();
    void File1_DblClick();

protected:
    // Form_QueryUnload: whatever closes the window.
    void closeEvent(QCloseEvent *event) override;
    // Esc: the cancel button.
    void reject() override;

private:
    void refreshList();
    void fitToTexts();
    void save();
    void load();

    QWidget *m_client = nullptr;   // holds the controls, centred in the window
    QPoint m_position;
    GameState m_current;
    Mode m_mode = Mode::Save;
    bool m_closing = false;
};
