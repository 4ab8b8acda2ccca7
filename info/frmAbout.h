#pragma once
// The About window: program title, version, author block with the mail and
// web links, the year line and the freeware note. Opened by "Info" (F1) in the
// top-right corner of the main window; one at a time, closed by OK.
#include "base/FixedLayout.h"

#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>
#include <functional>
#include <optional>

class QFrame;
class QGroupBox;
class QPushButton;

// A label that reports presses, releases, moves and clicks, as the link
// labels of the About window need them.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void mouseDown();
    void mouseUp();
    void mouseMove();
    void clicked();          // released over the label after a press on it
protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
private:
    bool m_pressed = false;
};

class frmAbout : public QDialog
{
    Q_OBJECT
public:
    // Names and addresses, shown as they are in every language.
    static const QString AppTitle;           // "Zandor"
    static const QString AuthorName;
    static const QString MailAddress;
    static const QString WebAddress;         // host name only
    static const QString YearLine;

    // An About window of owner, to be aligned with ownerFrame (the owner's
    // outer geometry in twips).
    frmAbout(QWidget *owner, const QRect &ownerFrame);

    // "Version " and major.minor.revision.
    static QString versionLine(int major, int minor, int revision);
    // The freeware note, five lines.
    static QStringList disclaimerLines();
    // What the links hand to the desktop: the bare address after "mailto:",
    // and the web address with a scheme.
    static QUrl mailTarget(const QString &address);
    static QUrl webTarget(const QString &address);
    // The hand pointer from a cursor file, or nothing when it is missing or
    // unreadable.
    static std::optional<QCursor> loadCursor(const QString &file);

    // Hands a link target to the desktop (mail program or browser); tests
    // replace it. The result is not examined.
    static std::function<bool(const QUrl &)> openUrl;

    // Placement, texts, link cursors and underlines.
    void Form_Load();

    QLabel *picIcon() const { return m_picIcon; }
    QLabel *lblTitle() const { return m_lblTitle; }
    QLabel *lblVersion() const { return m_lblVersion; }
    QGroupBox *Frame1() const { return m_frame1; }
    QLabel *Label3() const { return m_label3; }
    QLabel *Label4() const { return m_label4; }
    QLabel *lblMail() const { return m_lblMail; }
    LinkLabel *Label1() const { return m_label1; }
    QLabel *lblURL() const { return m_lblURL; }
    LinkLabel *Label2() const { return m_label2; }
    QLabel *Label5() const { return m_label5; }
    QLabel *lblDisclaimer() const { return m_lblDisclaimer; }
    QPushButton *cmdOK() const { return m_cmdOK; }
    QFrame *Line1(int i) const { return m_line1.value(i); }

public slots:
    void cmdOK_Click();
    void Label1_Click();
    void Label2_Click();
    void Label1_MouseDown();
    void Label1_MouseUp();
    void Label1_MouseMove();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void applyColours();
    void fitToTexts();
    void setTextColor(QLabel *label, const QColor &color);
    int outerWidthTwips() const;

    QRect m_ownerFrame;
    enum class MailLook { Link, Pressed, Released } m_mailLook = MailLook::Link;
    QLabel *m_picIcon = nullptr, *m_lblTitle = nullptr, *m_lblVersion = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QLabel *m_label3 = nullptr, *m_label4 = nullptr, *m_lblMail = nullptr, *m_lblURL = nullptr;
    LinkLabel *m_label1 = nullptr, *m_label2 = nullptr;
    QLabel *m_label5 = nullptr, *m_lblDisclaimer = nullptr;
    QPushButton *m_cmdOK = nullptr;
    QVector<QFrame *> m_line1;
    QWidget *m_client = nullptr;                             // holds the controls
    QVector<FixedLayout::Control> m_layout, m_frameLayout;   // design rectangles
};
