#pragma once
// A secondary window of the game keeps the main window from being used while
// it is open (application modality). Qt then also drops the window manager's
// close request for the main window, so its close box would do nothing. This
// filter takes that request (WM_DELETE_WINDOW on X11) and closes the main
// window all the same, which closes the secondary windows with it.
#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>

class CloseRequestFilter : public QAbstractNativeEventFilter
{
public:
    explicit CloseRequestFilter(QWidget *mainWindow);
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QPointer<QWidget> m_main;
    quint32 m_protocols = 0;     // the WM_PROTOCOLS atom
    quint32 m_deleteWindow = 0;  // the WM_DELETE_WINDOW atom
};
