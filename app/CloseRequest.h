#pragma once
// A secondary window of the game keeps the main window from being used while
// it is open (application modality). Qt then also drops the window manager's
// close request for the main window, so its close box would do nothing. This
// filter takes that request (WM_DELETE_WINDOW on X11) and closes the main
// window all the same, which closes the secondary windows with it.
#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class CloseRequestFilter : public QAbstractNativeEventFilter
{
public:
    explicit CloseRequestFilter(QWidget *mainWindow);
    ~CloseRequestFilter() override;
    CloseRequestFilter(const CloseRequestFilter &) = delete;
    CloseRequestFilter &operator=(const CloseRequestFilter &) = delete;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    // The two atoms are asked for at once and their answers read when the
    // first client message comes, so that the start does not wait for them.
    void readAtoms();

    QPointer<QWidget> m_main;
    void *m_connection = nullptr;          // the X server, none elsewhere
    unsigned int m_protocolsAsked = 0;     // the requests' sequence numbers
    unsigned int m_deleteWindowAsked = 0;
    quint32 m_protocols = 0;     // the WM_PROTOCOLS atom
    quint32 m_deleteWindow = 0;  // the WM_DELETE_WINDOW atom
};

// Under Wayland the compositor's close request (the close box) for a window
// that a modal window blocks never reaches the program: Qt drops it before
// any event is made of it. There the program keeps its secondary windows
// modal itself: each is shown as a plain window, kept over the main window as
// its transient child, and while one is open the main window's input (mouse,
// keys, shortcuts) is held back. The main window's close box then closes the
// main window, which closes the others with it. Elsewhere this does nothing.
class WaylandModality : public QObject
{
public:
    explicit WaylandModality(QWidget *mainWindow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Whether window waits for a secondary window opened after it.
    bool blocked(const QWidget *window);
    // The main window or a secondary window shown as modal, by its native window.
    const QWidget *widgetOf(const QWindow *window) const;

    QPointer<QWidget> m_main;
    QList<QPointer<QWidget>> m_modal;   // the secondary windows shown as modal, in order
};
