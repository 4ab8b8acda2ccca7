#pragma once
// The description window "   Funktionsbeschreibung": the help text with the
// key list, opened by "Beschreibung" (F12) at the position its owner gives;
// one at a time, closed through its menu item "Schliessen".
#include <QMainWindow>
#include <QPoint>
#include <QString>

class QAction;
class QPlainTextEdit;

class frmDescr : public QMainWindow
{
    Q_OBJECT
public:
    // A description window of owner that opens at position (twips).
    frmDescr(QWidget *owner, QPoint position);

    // Placement and text; the text names the folders of this program folder.
    void Form_Load();

    QPlainTextEdit *Text1() const { return m_text1; }
    QAction *mnuClose = nullptr;

public slots:
    void mnuClose_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fitToText();

    QPoint m_position;
    QWidget *m_client = nullptr;   // holds the text box
    QPlainTextEdit *m_text1 = nullptr;
};
