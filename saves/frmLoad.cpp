#include "saves/frmLoad.h"

#include "base/FixedLayout.h"
#include "base/Meldung.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"
#include "saves/SavedGame.h"

#include <QCloseEvent>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

QString frmLoad::problemText(const SavedGame::Problem &problem)
{
    using Kind = SavedGame::Problem::Kind;
    switch (problem.kind) {
    case Kind::None:
        break;
    case Kind::NameBlank:
        return tr("Bitte einen Namen für den Spielstand eingeben!");
    case Kind::NameReserved:
        return tr("Der Name \"%1\" ist nicht erlaubt!").arg(problem.subject);
    case Kind::NameSeparator:
        return tr("Der Name darf die Zeichen \"/\" und \"\\\" nicht enthalten!");
    case Kind::NameControl:
        return tr("Der Name darf keine Steuerzeichen enthalten!");
    case Kind::LineCount:
        return tr("Die Datei hat %1 Zeilen; ein Spielstand hat 13, 20, 29 oder 40 Zeilen "
                  "(nach einer Hilfe eine mehr).").arg(problem.line);
    case Kind::NotANumber:
        return tr("Zeile %1 ist keine ganze Zahl zwischen -32768 und 32767.").arg(problem.line);
    case Kind::NotABoard:
        // line: the number of fields
        return tr("Die Zeilen 1 bis %1 ergeben kein Spielfeld: jeder Stein von 0 "
                  "bis %2 muss genau einmal vorkommen und das leere Feld "
                  "(100 oder %3) genau einmal.")
            .arg(problem.line).arg(problem.line - 2).arg(problem.line - 1);
    case Kind::PictureLineTooLong:
        return tr("Zeile %1 ist zu lang für den Pfad eines Bildes.").arg(problem.line);
    case Kind::Unreadable:
        return tr("Die Datei kann nicht gelesen werden.");
    case Kind::TooLarge:
        return tr("Die Datei ist zu groß für einen Spielstand.");
    case Kind::CannotWrite:
        return tr("Der Spielstand kann nicht gespeichert werden:\n    %1").arg(problem.subject);
    case Kind::CannotDelete:
        return tr("Die Datei\n    %1\nkann nicht gelöscht werden!").arg(problem.subject);
    }
    return QString();
}

QString frmLoad::rowText(const QString &name, int side)
{
    if (side == 0 || side == Tiles::DocumentedSide)
        return name;
    return tr("%1   (%2 × %2)").arg(name).arg(side);
}

frmLoad::frmLoad(QWidget *owner, QPoint position, const GameState &current)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                         | Qt::WindowCloseButtonHint)
    , m_position(position)
    , m_current(current)
{
    setObjectName(QStringLiteral("frmLoad"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("  "));
    setSizeGripEnabled(false);

    using namespace Twips::Load;
    m_client = FixedLayout::centredClient(this);
    File1 = new QListWidget(m_client);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Twips::rect(ListLeft, ListTop, ListWidth, ListHeight));
    File1->setSelectionMode(QAbstractItemView::SingleSelection);

    txtLoad = new QLineEdit(m_client);
    txtLoad->setObjectName(QStringLiteral("txtLoad"));
    txtLoad->setGeometry(Twips::rect(NameLeft, NameTop, NameWidth, NameHeight));
    // No label stands beside the list and the name box: a screen reader
    // announces these names instead.
    File1->setAccessibleName(tr("Gespeicherte Spiele"));
    txtLoad->setAccessibleName(tr("Name des Spielstands"));

    cmdLoad = new QPushButton(tr(" &Speichern"), m_client);
    cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    cmdLoad->setGeometry(Twips::rect(ConfirmLeft, ButtonTop, ConfirmWidth, ButtonHeight));
    cmdLoad->setDefault(true);

    cmdDelete = new QPushButton(tr("L&öschen"), m_client);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdDelete->setGeometry(Twips::rect(DeleteLeft, ButtonTop, DeleteWidth, ButtonHeight));

    cmdCancel = new QPushButton(tr("&Abbrechen"), m_client);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(Twips::rect(CancelLeft, ButtonTop, CancelWidth, ButtonHeight));

    fitToTexts();

    setTabOrder(File1, txtLoad);
    setTabOrder(txtLoad, cmdLoad);
    setTabOrder(cmdLoad, cmdDelete);
    setTabOrder(cmdDelete, cmdCancel);

    connect(cmdLoad, &QPushButton::clicked, this, &frmLoad::cmdLoad_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmLoad::cmdDelete_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLoad::cmdCancel_Click);
    // A click, or choosing an entry with the keys, takes its name; the list
    // getting the focus alone (which makes an entry current) does not.
    connect(File1, &QListWidget::itemClicked, this, &frmLoad::File1_Click);
    connect(File1, &QListWidget::itemSelectionChanged, this, &frmLoad::File1_Click);
    connect(File1, &QListWidget::itemDoubleClicked, this, &frmLoad::File1_DblClick);
}

void frmLoad::display(Mode act)
{
    m_mode = act;
    Form_Load();
    if (!m_closing)
        show();
}

void frmLoad::Form_Load()
{
    m_closing = false;
    WindowPlacement::placeFrameAt(this, m_position);
    SavedGame::ensureFolder();
    refreshList();

    if (m_mode == Mode::Load) {
        cmdLoad->setText(tr("&Laden"));
        setWindowTitle(tr("  Laden"));
        if (File1->count() == 0) {
            Meldung::zeigen(parentWidget(), tr("Es gibt keine gespeicherten Spiele!"));
            m_closing = true;
            close();
            return;
        }
    } else {
        cmdLoad->setText(tr("&Speichern"));
        setWindowTitle(tr("  Speichern"));
    }
    txtLoad->setFocus();
}

void frmLoad::refreshList()
{
    const QSignalBlocker block(File1);
    File1->clear();
    // Each row keeps its name apart from the text it shows, which may carry
    // the board's size.
    for (const QString &name : SavedGame::list()) {
        auto *row = new QListWidgetItem(rowText(name, SavedGame::sideOf(SavedGame::loadFile(name))), File1);
        row->setData(Qt::UserRole, name);
    }
    fitToTexts();
}

void frmLoad::fitToTexts()
{
    // Every control at its design place, grown to its caption (the confirm
    // button's design caption is the widest it gets); the list as wide as
    // its widest name, up to twice its design width (a longer one scrolls
    // sideways); the list and the name box span whatever width the buttons
    // need.
    using namespace Twips::Load;
    using FixedLayout::Widens;
    const int widest = File1->count() > 0 ? File1->sizeHintForColumn(0) : 0;
    const int frame = 2 * File1->frameWidth() + File1->verticalScrollBar()->sizeHint().width();
    const QSize list(std::min(widest + frame, 2 * Twips::px(ListWidth)), 0);
    FixedLayout::keepSize(
        this, m_client,
        FixedLayout::fit({{File1, Twips::rect(ListLeft, ListTop, ListWidth, ListHeight), Widens, list},
                          {txtLoad, Twips::rect(NameLeft, NameTop, NameWidth, NameHeight), Widens},
                          {cmdLoad, Twips::rect(ConfirmLeft, ButtonTop, ConfirmWidth, ButtonHeight)},
                          {cmdDelete, Twips::rect(DeleteLeft, ButtonTop, DeleteWidth, ButtonHeight)},
                          {cmdCancel, Twips::rect(CancelLeft, ButtonTop, CancelWidth, ButtonHeight)}},
                         Twips::size(ClientWidth, ClientHeight)));
}

void frmLoad::File1_Click()
{
    const QListWidgetItem *item = File1->currentItem();
    if (item && item->isSelected())
        txtLoad->setText(item->data(Qt::UserRole).toString());
}

void frmLoad::File1_DblClick()
{
    File1_Click();
    cmdLoad_Click();
}

void frmLoad::cmdLoad_Click()
{
    if (m_closing)
        return;
    if (m_mode == Mode::Save)
        save();
    else
        load();
}

void frmLoad::save()
{
    const QString name = txtLoad->text();
    SavedGame::Problem problem = SavedGame::nameError(name);
    if (problem) {
        Meldung::zeigen(this, problemText(problem));
        return;
    }
    if (!SavedGame::ensureFolder()) {
        Meldung::zeigen(this, tr("Der Ordner\n    %1\nkann nicht angelegt werden!")
                                     .arg(QDir::toNativeSeparators(SavedGame::folder())));
        return;
    }
    const SavedGame game(m_current);
    // A name taken from the list saves over that entry's own file.
    if (!game.write(SavedGame::saveFile(name), &problem)) {
        // The old file of that name, if any, is whole; the player may try
        // another name.
        Meldung::zeigen(this, problemText(problem));
        return;
    }
    close();
}

void frmLoad::load()
{
    const QString name = txtLoad->text();
    SavedGame::Problem problem = SavedGame::nameError(name);
    if (problem) {
        Meldung::zeigen(this, problemText(problem));
        return;
    }
    const FileAccess::NativePath path = SavedGame::loadFile(name);
    // A name without a file (typed without ".sav", or removed meanwhile):
    // nothing happens, the dialog stays as it is.
    if (!SavedGame::exists(path))
        return;

    // The whole file is checked before anything of the game changes.
    SavedGame game;
    if (!SavedGame::read(path, &game, &problem)) {
        Meldung::zeigen(this, tr("Die Datei\n    %1\nist kein gültiger Spielstand.\n\n%2")
                                     .arg(name, problemText(problem)));
        return;
    }

    // From here the load cannot be refused: keep the dialog from taking a
    // second confirm while the picture is cut (its messages may run an event
    // loop).
    setEnabled(false);
    emit gameChosen(game);

    // The owner takes the focus once the dialog has let go of the
    // application's input.
    close();
    if (QWidget *owner = parentWidget()) {
        owner->activateWindow();
        owner->setFocus();
    }
}

void frmLoad::cmdDelete_Click()
{
    const QString name = txtLoad->text();
    SavedGame::Problem problem = SavedGame::nameError(name);
    if (problem) {
        Meldung::zeigen(this, problemText(problem));
        return;
    }
    const FileAccess::NativePath path = SavedGame::loadFile(name);
    if (!SavedGame::exists(path)) {
        Meldung::zeigen(this, tr("Datei nicht gefunden!"));
        return;
    }
    if (!SavedGame::remove(path, &problem)) {
        // Left as it was: list and name stay.
        Meldung::zeigen(this, problemText(problem));
        return;
    }
    refreshList();
    txtLoad->clear();
}

void frmLoad::cmdCancel_Click()
{
    close();
}

void frmLoad::reject()
{
    cmdCancel_Click();
}

void frmLoad::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    event->accept();
}
