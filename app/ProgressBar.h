#pragma once
// The main window's progress bar while tiles are cut and placed: a pale
// yellow trough with a grey line round it and a blue bar. Painted by itself
// rather than through a style sheet, which would cost the window's start a
// style of its own.
#include <QProgressBar>

class ProgressBar : public QProgressBar
{
public:
    explicit ProgressBar(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
