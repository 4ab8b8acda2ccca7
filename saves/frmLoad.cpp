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

const QString frmLoad::NoGamesText = QStringLiteral("Es gibt keine gespeicherten Spiele!");
const QString frmLoad::NotFoundText = QStringLiteral("Datei nicht gefunden!");

QString frmLoad::problemText(const SavedGame::Problem &problem)
{
    using Kind = SavedGame::Problem::Kind;
    switch (problem.kind) {
    case Kind::None:
        break;
    case Kind::NameBlank:
        return QStringLiteral("Bitte einen Namen für den Spielstand eingeben!");
    case Kind::NameReserved:
        return QStringLiteral("Der Name \"%1\" ist nicht erlaubt!").arg(problem.subject);
    case Kind::NameSeparator:
        return QStringLiteral("Der Name darf die Zeichen \"/\" und \"\\\" nicht enthalten!");
    case Kind::NameControl:
        return QStringLiteral("Der Name darf keine Steuerzeichen enthalten!");
    case Kind::LineCount:
        return QStringLiteral("Die Datei hat %1 Zeilen; ein Spielstand hat 13, 20, 29 oder 40 Zeilen "
                              "(nach einer Hilfe eine mehr).").arg(problem.line);
    case Kind::NotANumber:
        return QStringLiteral("Zeile %1 ist keine ganze Zahl zwischen -32768 und 32767.").arg(problem.line);
    case Kind::NotABoard:
        // line: the number of fields
        return QStringLiteral("Die Zeilen 1 bis %1 ergeben kein Spielfeld: jeder Stein von 0 "
                              "bis %2 muss genau einmal vorkommen und das leere Feld "
                              "(100 oder %3) genau einmal.")
            .arg(problem.line).arg(problem.line - 2).arg(problem.line - 1);
    case Kind::PictureLineTooLong:
        return QStringLiteral("Zeile %1 ist zu lang für den Pfad eines Bildes.").arg(problem.line);
    case Kind::Unreadable:
        return QStringLiteral("Die Datei kann nicht gelesen werden.");
    case Kind::TooLarge:
        return QStringLiteral("Die Datei ist zu groß für einen Spielstand.");
    case Kind::CannotWrite:
        return QStringLiteral("Der Spielstand kann nicht gespeichert werden:\n    %1").arg(problem.subject);
    case Kind::CannotDelete:
        return QStringLiteral("Die Datei\n    %1\nkann nicht gelöscht werden!").arg(problem.subject);
    }
    return QString();
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
    QWidget *client = FixedLayout::centredClient(this);
    File1 = new QListWidget(client);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Twips::rect(ListLeft, ListTop, ListWidth, ListHeight));
    File1->setSelectionMode(QAbstractItemView::SingleSelection);

    txtLoad = new QLineEdit(client);
    txtLoad->setObjectName(QStringLiteral("txtLoad"));
    txtLoad->setGeometry(Twips::rect(NameLeft, NameTop, NameWidth, NameHeight));

    cmdLoad = new QPushButton(QStringLiteral(" &Speichern"), client);
    cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    cmdLoad->setGeometry(Twips::rect(ConfirmLeft, ButtonTop, ConfirmWidth, ButtonHeight));
    cmdLoad->setDefault(true);

    cmdDelete = new QPushButton(QStringLiteral("L&öschen"), client);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdDelete->setGeometry(Twips::rect(DeleteLeft, ButtonTop, DeleteWidth, ButtonHeight));

    cmdCancel = new QPushButton(QStringLiteral("&Abbrechen"), client);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(Twips::rect(CancelLeft, ButtonTop, CancelWidth, ButtonHeight));

    // Every control at its design place, grown to its caption (the confirm
    // button's design caption is the widest it gets); the list and the name
    // box span whatever width the buttons need.
    using FixedLayout::Widens;
    FixedLayout::keepSize(this, client,
                          FixedLayout::fit({{File1, File1->geometry(), Widens}, {txtLoad, txtLoad->geometry(), Widens},
                                            {cmdLoad, cmdLoad->geometry()}, {cmdDelete, cmdDelete->geometry()},
                                            {cmdCancel, cmdCancel->geometry()}},
                                           Twips::size(ClientWidth, ClientHeight)));

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
        cmdLoad->setText(QStringLiteral("&Laden"));
        setWindowTitle(QStringLiteral("  Laden"));
        if (File1->count() == 0) {
            Meldung::zeigen(parentWidget(), NoGamesText);
            m_closing = true;
            close();
            return;
        }
    } else {
        cmdLoad->setText(QStringLiteral("&Speichern"));
        setWindowTitle(QStringLiteral("  Speichern"));
    }
    txtLoad->setFocus();
}

void frmLoad::refreshList()
{
    const QSignalBlocker block(File1);
    File1->clear();
    File1->addItems(SavedGame::list());
}

void frmLoad::File1_Click()
{
    const QListWidgetItem *item = File1->currentItem();
    if (item && item->isSelected())
        txtLoad->setText(item->text());
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
        Meldung::zeigen(this, QStringLiteral("Der Ordner\n    %1\nkann nicht angelegt werden!")
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
        Meldung::zeigen(this, QStringLiteral("Die Datei\n    %1\nist kein gültiger Spielstand.\n\n%2")
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
        Meldung::zeigen(this, NotFoundText);
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
