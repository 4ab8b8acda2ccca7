#include "info/frmAbout.h"

#include "base/Contrast.h"
#include "base/FixedLayout.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "base/WindowPlacement.h"
#include "base/AppIcon.h"
#include "info/CursorFile.h"

#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#ifndef ZANDOR_VERSION_MAJOR
#error "ZANDOR_VERSION_MAJOR/MINOR/PATCH come from the project version"
#endif

// --- LinkLabel ---------------------------------------------------------------

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        emit mouseDown();
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const bool wasPressed = m_pressed;
        m_pressed = false;
        emit mouseUp();
        if (wasPressed && rect().contains(event->position().toPoint()))
            emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMove();
    QLabel::mouseMoveEvent(event);
}

// --- frmAbout ----------------------------------------------------------------

const QString frmAbout::AppTitle = QStringLiteral("Zandor");
const QString frmAbout::AuthorName = QStringLiteral("Zandor-Team");
const QString frmAbout::MailAddress = QStringLiteral("zandor@example.org");
const QString frmAbout::WebAddress = QStringLiteral("www.zandor.example.org");
const QString frmAbout::YearLine = QStringLiteral("© 2026 Zandor-Team");


std::function<bool(const QUrl &)> frmAbout::openUrl = [](const QUrl &url) {
    return QDesktopServices::openUrl(url);
};

namespace {
// The mail link's colours while pressed and after release, as designed for a
// light window; the released one stands out more, like a visited link.
const QColor PressedColor(0, 160, 160);
const QColor ReleasedColor(0, 80, 80);
constexpr double ReleasedRatio = 7.0;
const QColor EtchGrey(128, 128, 128);
const QColor EtchWhite(255, 255, 255);
} // namespace

QString frmAbout::versionLine(int major, int minor, int revision)
{
    return tr("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QStringList frmAbout::disclaimerLines()
{
    return {
        tr("Dieses Programm ist Freeware,"),
        QStringLiteral(" ") + tr(" wer trotzdem Spenden will, "),
        tr("  bitte vorher E-Mail an mich."),
        QString(),
        QStringLiteral(" ") + tr("       Vielen Dank. "),
    };
}

QUrl frmAbout::mailTarget(const QString &address)
{
    // The shell target reads "mailto: " and the address; the blank is not
    // part of the address, so the mail program gets it without one.
    return QUrl(QStringLiteral("mailto:") + address.trimmed());
}

QUrl frmAbout::webTarget(const QString &address)
{
    // The address is a host name; a browser needs the scheme.
    const QString host = address.trimmed();
    if (host.contains(QStringLiteral("://")))
        return QUrl(host);
    return QUrl(QStringLiteral("https://") + host);
}

std::optional<QCursor> frmAbout::loadCursor(const QString &file)
{
    // Only a regular file, and only a cursor of at most 64 x 64 pixels.
    const std::optional<CursorFile::Cursor> cursor = CursorFile::read(file);
    if (!cursor)
        return std::nullopt;
    return QCursor(QPixmap::fromImage(cursor->image), cursor->hotSpot.x(), cursor->hotSpot.y());
}

frmAbout::frmAbout(QWidget *owner, const QRect &ownerFrame)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                        | Qt::MSWindowsFixedSizeDialogHint)
    , m_ownerFrame(ownerFrame)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("   About"));
    setWindowIcon(Zandor::appIcon());
    m_client = FixedLayout::centredClient(this);
    FixedLayout::keepSize(this, m_client, Twips::size(Twips::About::ClientWidth, Twips::About::ClientHeight));
    buildControls();
}

void frmAbout::buildControls()
{
    using namespace Twips::About;
    // Every control is kept with its design rectangle for fitToTexts.
    auto place = [this](QWidget *w, QRect r, int follow = FixedLayout::Stays) {
        w->setGeometry(r);
        (w->parentWidget() == m_client ? m_layout : m_frameLayout).append({w, r, follow});
    };
    auto label = [place](QWidget *parent, const char *name, const QString &text, QRect r,
                         int follow = FixedLayout::Stays) {
        auto *l = new QLabel(text, parent);
        l->setObjectName(QString::fromLatin1(name));
        place(l, r, follow);
        return l;
    };
    auto link = [place](QWidget *parent, const char *name, const QString &text, QRect r) {
        auto *l = new LinkLabel(text, parent);
        l->setObjectName(QString::fromLatin1(name));
        place(l, r);
        l->setMouseTracking(true);
        return l;
    };

    m_picIcon = label(m_client, "picIcon", QString(), Twips::rect(IconLeft, IconTop, IconSize, IconSize));
    m_picIcon->setPixmap(windowIcon().pixmap(QSize(32, 32)));

    m_lblTitle = label(m_client, "lblTitle", QStringLiteral("Name"),
                       Twips::rect(TitleLeft, TitleTop, TitleWidth, TitleHeight));
    QFont titleFont = m_lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = label(m_client, "lblVersion", QStringLiteral("Version"),
                         Twips::rect(VersionLeft, VersionTop, VersionWidth, VersionHeight));

    m_frame1 = new QGroupBox(m_client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    place(m_frame1, Twips::rect(FrameLeft, FrameTop, FrameWidth, FrameHeight), FixedLayout::Widens);
    auto row = [](int i, int left, int width) {
        return Twips::rect(left, RowTop + i * RowStep, width, RowHeight);
    };
    m_label3 = label(m_frame1, "Label3", tr("Author:"), row(0, CaptionLeft, CaptionWidth));
    m_label4 = label(m_frame1, "Label4", AuthorName, row(0, ValueLeft, ValueWidth));
    m_lblMail = label(m_frame1, "lblMail", tr("Mail:"), row(1, CaptionLeft, CaptionWidth));
    m_label1 = link(m_frame1, "Label1", MailAddress, row(1, ValueLeft, ValueWidth));
    m_lblURL = label(m_frame1, "lblURL", tr("URL:"), row(2, CaptionLeft, CaptionWidth));
    m_label2 = link(m_frame1, "Label2", WebAddress, row(2, ValueLeft, ValueWidth));

    m_label5 = label(m_client, "Label5", YearLine, Twips::rect(YearLeft, YearTop, YearWidth, YearHeight),
                     FixedLayout::Widens);
    m_lblDisclaimer = label(m_client, "lblDisclaimer", QString(),
                            Twips::rect(DisclaimerLeft, DisclaimerTop, DisclaimerWidth, DisclaimerHeight),
                            FixedLayout::Widens);
    m_lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_cmdOK = new QPushButton(tr("OK"), m_client);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    place(m_cmdOK, Twips::rect(OKLeft, OKTop, OKWidth, OKHeight), FixedLayout::MovesRight);
    m_cmdOK->setDefault(true);

    // Etched separators: a grey line with a white one just below it, three
    // times across the window, and a grey stroke between icon and title.
    auto line = [this, place](QRect r, int follow) {
        auto *f = new QFrame(m_client);
        f->setObjectName(QStringLiteral("Line1_%1").arg(m_line1.size()));
        place(f, r, follow);
        f->setFrameShape(QFrame::NoFrame);
        f->setAutoFillBackground(true);
        m_line1.append(f);
    };
    for (int top : {Line1Top, Line2Top, Line3Top}) {
        line(QRect(Twips::px(LineLeft), Twips::px(top), Twips::px(LineWidth), 1), FixedLayout::Widens);
        line(QRect(Twips::px(LineLeft), Twips::px(top) + 1, Twips::px(LineWidth), 1), FixedLayout::Widens);
    }
    line(QRect(Twips::px(TitleLeft) - 6, Twips::px(IconTop), 1, Twips::px(IconSize)), FixedLayout::Stays);
    applyColours();

    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(m_label1, &LinkLabel::clicked, this, &frmAbout::Label1_Click);
    connect(m_label2, &LinkLabel::clicked, this, &frmAbout::Label2_Click);
    connect(m_label1, &LinkLabel::mouseDown, this, &frmAbout::Label1_MouseDown);
    connect(m_label1, &LinkLabel::mouseUp, this, &frmAbout::Label1_MouseUp);
    connect(m_label1, &LinkLabel::mouseMove, this, &frmAbout::Label1_MouseMove);
}

void frmAbout::applyColours()
{
    // Title and links in the palette's link colour, the mail link's pressed
    // and released colours as designed, each made readable on the window's
    // background where it is not.
    const QPalette pal = palette();
    const QColor back = pal.color(QPalette::Window);
    const QColor link = pal.color(QPalette::Link);
    setTextColor(m_lblTitle, Contrast::readable(link, back, Contrast::LargeText));
    setTextColor(m_label2, Contrast::readable(link, back, Contrast::Text));
    switch (m_mailLook) {
    case MailLook::Link:
        setTextColor(m_label1, Contrast::readable(link, back, Contrast::Text));
        break;
    case MailLook::Pressed:
        setTextColor(m_label1, Contrast::readable(PressedColor, back, Contrast::Text));
        break;
    case MailLook::Released:
        setTextColor(m_label1, Contrast::readable(ReleasedColor, back, ReleasedRatio));
        break;
    }
    // Etched separators: grey and white on a light window, the window's own
    // colour darker and lighter on a dark one; the second line of each pair
    // is the light one.
    const bool light = back.lightness() >= 128;
    const QColor shadow = light ? EtchGrey : back.darker(150);
    const QColor highlight = light ? EtchWhite : back.lighter(150);
    for (int i = 0; i < m_line1.size(); ++i) {
        QPalette p = m_line1[i]->palette();
        p.setColor(QPalette::Window, i % 2 == 1 && i < 6 ? highlight : shadow);
        m_line1[i]->setPalette(p);
    }
}

void frmAbout::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void frmAbout::setTextColor(QLabel *label, const QColor &color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

int frmAbout::outerWidthTwips() const
{
    return WindowPlacement::frameTwips(this).width();
}

void frmAbout::Form_Load()
{
    // Top-right corner of the owner, right edges aligned; placed again by
    // its outer width once the frame is known.
    QPointer<frmAbout> guard(this);
    WindowPlacement::whenFramed(this, [guard] {
        if (!guard)
            return;
        const QRect &owner = guard->m_ownerFrame;
        const int left = owner.left() + owner.width() - guard->outerWidthTwips();
        WindowPlacement::placeFrameNow(guard, QPoint(left, owner.top()));
    });

    m_lblTitle->setText(AppTitle);
    m_lblVersion->setText(versionLine(ZANDOR_VERSION_MAJOR, ZANDOR_VERSION_MINOR, ZANDOR_VERSION_PATCH));

    // Without Hand.cur the links keep the ordinary pointer.
    if (const std::optional<QCursor> hand = loadCursor(ProgramFolder::resource(QStringLiteral("Hand.cur")))) {
        m_label1->setCursor(*hand);
        m_label2->setCursor(*hand);
    }

    for (QLabel *l : {static_cast<QLabel *>(m_label1), static_cast<QLabel *>(m_label2)}) {
        QFont f = l->font();
        f.setUnderline(true);
        l->setFont(f);
    }

    m_lblDisclaimer->setText(disclaimerLines().join(QStringLiteral("\r\n")));
    fitToTexts();
}

void frmAbout::fitToTexts()
{
    // The author block first: its captions make one column, as wide as the
    // widest of them; the frame needs what its rows need.
    using namespace Twips::About;
    QSize caption(0, 0);
    for (const QLabel *l : {m_label3, m_lblMail, m_lblURL})
        caption = caption.expandedTo(FixedLayout::neededSize(l));
    for (FixedLayout::Control &c : m_frameLayout)
        if (c.widget == m_label3 || c.widget == m_lblMail || c.widget == m_lblURL)
            c.need = caption;
    const QSize frame = FixedLayout::fit(m_frameLayout, Twips::size(FrameWidth, FrameHeight));
    for (FixedLayout::Control &c : m_layout)
        if (c.widget == m_frame1)
            c.need = frame;
    FixedLayout::keepSize(this, m_client, FixedLayout::fit(m_layout, Twips::size(ClientWidth, ClientHeight)));
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::Label1_Click()
{
    if (openUrl)
        openUrl(mailTarget(MailAddress));
}

void frmAbout::Label2_Click()
{
    if (openUrl)
        openUrl(webTarget(WebAddress));
}

void frmAbout::Label1_MouseDown()
{
    m_mailLook = MailLook::Pressed;
    applyColours();
}

void frmAbout::Label1_MouseUp()
{
    m_mailLook = MailLook::Released;
    applyColours();
}

void frmAbout::Label1_MouseMove()
{
    QFont f = m_label1->font();
    if (!f.underline()) {
        f.setUnderline(true);
        m_label1->setFont(f);
    }
}
