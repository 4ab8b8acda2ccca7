#include "scores/frmTopTen.h"

#include "game/Tiles.h"

#include "base/FixedLayout.h"
#include "base/Meldung.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "base/AppIcon.h"
#include "base/WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

#include <cmath>
#include <memory>

using namespace Twips::TopTen;

namespace {

const char *const WriteFailedText = QT_TRANSLATE_NOOP("frmTopTen", "Die Bestenliste konnte nicht gespeichert werden.");
const char *const ReadFailedText = QT_TRANSLATE_NOOP("frmTopTen", "Die Bestenliste konnte nicht gelesen werden.");

// A label of a row: plain text (a name is never taken for markup), the
// window's standard font.
QLabel *rowLabel(QWidget *parent, const QRect &geometry, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setAlignment(alignment);
    label->setGeometry(geometry);
    return label;
}

// A further element of a label array, made like its index-0 label; hidden.
QLabel *copyOf(const QLabel *first)
{
    auto *label = new QLabel(first->parentWidget());
    label->setTextFormat(first->textFormat());
    label->setWordWrap(first->wordWrap());
    label->setAlignment(first->alignment());
    label->setFont(first->font());
    label->resize(first->size());
    label->hide();
    return label;
}

} // namespace

QString frmTopTen::heading(int side)
{
    return side == Tiles::DocumentedSide ? tr("Highscores") : tr("Highscores %1 × %1").arg(side);
}

frmTopTen::frmTopTen(QWidget *owner, QPoint position, int side)
    : QMainWindow(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_position(position)
    , m_side(side)
    , m_list(ProgramFolder::file(ScoreList::fileName(side)))
{
    setObjectName(QStringLiteral("frmTopTen"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(tr("    Top Ten"));
    setWindowIcon(Zandor::appIcon());

    QWidget *client = m_client = FixedLayout::centredClient(this);

    Label1 = new QLabel(heading(side), client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont heading(QStringLiteral("MS Sans Serif"));
    heading.setPointSizeF(13.5);
    Label1->setFont(heading);
    Label1->setGeometry(Twips::rect(HeadingLeft, HeadingTop, HeadingWidth, HeadingHeight));

    Frame1 = new QGroupBox(client);
    Frame1->setObjectName(QStringLiteral("Frame1"));

    // Only index 0 of each label array exists until display() builds the rest.
    lblNr.append(rowLabel(Frame1, Twips::rect(NrLeft, NrTop, NrWidth, RowHeight), Qt::AlignRight | Qt::AlignTop));
    lblName.append(rowLabel(Frame1, Twips::rect(NameLeft, NrTop, NameWidth, RowHeight), Qt::AlignLeft | Qt::AlignTop));
    lblScore.append(rowLabel(Frame1, Twips::rect(ScoreLeft, NrTop, ScoreWidth, RowHeight), Qt::AlignRight | Qt::AlignTop));

    mnuDelete = menuBar()->addAction(tr("Liste &löschen"));
    mnuDelete->setObjectName(QStringLiteral("mnuDelete"));
    connect(mnuDelete, &QAction::triggered, this, &frmTopTen::mnuDelete_Click);
    mnuClose = menuBar()->addAction(tr("Schliessen"));
    mnuClose->setObjectName(QStringLiteral("mnuClose"));
    connect(mnuClose, &QAction::triggered, this, &frmTopTen::mnuClose_Click);
    // The rows are laid out for this size only.
    FixedLayout::keepSize(this, client, Twips::size(ClientWidth, ClientHeight));
}

void frmTopTen::Form_Load()
{
    WindowPlacement::placeFrameAt(this, m_position);
    File_Read();
    placeFrame();
}

void frmTopTen::placeFrame()
{
    // Frame1 fills the window below the heading, with margins.
    const int W = Twips::fromPx(m_client->width());
    const int H = Twips::fromPx(m_client->height());
    const int labelTop = Twips::fromPx(Label1->y());
    const int labelHeight = Twips::fromPx(Label1->height());
    Frame1->setGeometry(Twips::rect(FrameLeft, labelTop + labelHeight + FrameGap, W - FrameMarginWidth,
                                    H - FrameMarginHeight - labelHeight));
}

void frmTopTen::fitToTexts()
{
    // Each column of rows as wide as its widest text and every row as high
    // as the font needs; the frame holds them and the window the frame.
    const int rows = int(lblNr.size());
    auto column = [rows](const QVector<QLabel *> &labels, int left, int width) {
        QSize need(0, 0);
        for (const QLabel *l : labels)
            need = need.expandedTo(FixedLayout::neededSize(l));
        return FixedLayout::Control{nullptr, Twips::rect(left, NrTop, width, rows * RowHeight), FixedLayout::Stays,
                                    QSize(need.width(), need.height() * rows)};
    };
    QVector<QRect> placed;
    const QSize frame = FixedLayout::fit(
        {column(lblNr, NrLeft, NrWidth), column(lblName, NameLeft, NameWidth), column(lblScore, ScoreLeft, ScoreWidth)},
        Twips::size(ClientWidth - FrameMarginWidth, ClientHeight - FrameMarginHeight - HeadingHeight), &placed);
    const QVector<QLabel *> *columns[] = {&lblNr, &lblName, &lblScore};
    for (int k = 0; k < 3; ++k) {
        const QSize cell(placed[k].width(), placed[k].height() / rows);
        columns[k]->at(0)->setGeometry(QRect(placed[k].topLeft(), cell));
        for (QLabel *l : *columns[k])
            l->resize(cell);
    }
    placeRows();

    // The window as the frame's placement rule asks for this frame, at least
    // its design size and as wide as the heading needs (which names the
    // board size for any but 4 x 4) with its margins; the heading stays
    // centred over it.
    const QSize design = Twips::size(ClientWidth, ClientHeight);
    const QSize headingRoom(FixedLayout::neededSize(Label1).width() + Twips::px(ClientWidth - HeadingWidth), 0);
    const QSize client = design.expandedTo(
        frame + Twips::size(FrameMarginWidth, FrameMarginHeight) + QSize(0, Label1->height())).expandedTo(headingRoom);
    Label1->resize(Twips::px(HeadingWidth) + client.width() - design.width(), Label1->height());
    FixedLayout::keepSize(this, m_client, client);
    placeFrame();
}

void frmTopTen::display()
{
    // Rows 1..9 are copies of row 0, one label height apart; on a window
    // that has them already they are only placed again.
    for (int i = 1; i < ScoreList::Rows; ++i) {
        if (lblNr.size() <= i) {
            lblNr.append(copyOf(lblNr[0]));
            lblName.append(copyOf(lblName[0]));
            lblScore.append(copyOf(lblScore[0]));
        }
    }
    placeRows();
    for (int i = 0; i < ScoreList::Rows; ++i) {
        lblNr[i]->show();
        lblName[i]->show();
        lblScore[i]->show();
        lblScore[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    show();
    raise();
    activateWindow();
}

void frmTopTen::placeRows()
{
    for (int i = 1; i < lblNr.size(); ++i) {
        const int top = lblNr[0]->y() + i * lblNr[i]->height();
        lblNr[i]->move(lblNr[0]->x(), top);
        lblName[i]->move(lblName[0]->x(), top);
        lblScore[i]->move(lblScore[0]->x(), top);
    }
}

void frmTopTen::showRows()
{
    for (int k = 0; k < ScoreList::Rows && k < lblNr.size(); ++k) {
        const ScoreList::Row &row = m_list.row(k);
        lblNr[k]->setText(row.nr);
        lblName[k]->setText(row.name);
        // The score as a number, without the blanks that pad it in the file.
        lblScore[k]->setText(row.score.trimmed());
    }
    fitToTexts();
}

void frmTopTen::report(const char *text)
{
    Meldung::zeigen(this, tr(text) + QStringLiteral("\n\n") + QDir::toNativeSeparators(m_list.filePath()));
}

void frmTopTen::File_Read()
{
    display();
    const bool ok = m_list.read();
    showRows();
    if (!ok)
        report(m_list.failure() == ScoreList::Failure::Unreadable ? ReadFailedText : WriteFailedText);
}

QString frmTopTen::deleteQuestion()
{
    return tr("Soll die Bestenliste wirklich gelöscht werden?");
}

void frmTopTen::mnuDelete_Click()
{
    // Asked first: Nein (the default) leaves the list as it is.
    if (!Meldung::fragen(this, deleteQuestion()))
        return;
    if (m_list.reset())
        showRows();
    else
        report(WriteFailedText);
}

void frmTopTen::Score_Insert(qint16 zuege, const QString &PlayerName)
{
    display();
    switch (m_list.place(zuege, PlayerName)) {
    case ScoreList::Placing::Placed:
        showRows();
        break;
    case ScoreList::Placing::NotPlaced:
        break;
    case ScoreList::Placing::Failed:
        report(WriteFailedText);
        break;
    }
}

void frmTopTen::mnuClose_Click()
{
    close();
}

void frmTopTen::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    event->accept();
}

QString frmTopTen::Start(QWidget *owner, const QRect &ownerFrame)
{
    // The box's upper-left corner goes to the centre of the owner.
    const double left = ownerFrame.left() + ownerFrame.width() / 2.0;
    const double top = ownerFrame.top() + ownerFrame.height() / 2.0;

    FixedLayout::SelfSized<QInputDialog> box(owner);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(tr("High Scores"));
    box.setLabelText(tr("Glückwunsch, Du hast das Zandor geschaft.") + QStringLiteral("\r\n\r\n\r\n\r\n")
                     + tr(" Gib deinen Namen ein: "));
    box.setTextValue(QString());
    // The name box takes no more than the list keeps.
    if (auto *name = box.findChild<QLineEdit *>())
        name->setMaxLength(ScoreList::NameLength);
    WindowPlacement::placeFrameAt(&box, QPoint(int(std::lround(left)), int(std::lround(top))));
    const QString answer = box.exec() == QDialog::Accepted ? box.textValue() : QString();

    return ScoreList::firstCharacters(answer, ScoreList::NameLength);
}
