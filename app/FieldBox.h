#pragma once
// One field of the board (picBox): shows its tile picture unscaled from the
// top-left corner of its drawing area, clipped, with a one-pixel single-line
// border or none, on a background colour, and carries the field's Tag text.
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

class FieldBox : public QWidget
{
    Q_OBJECT
public:
    FieldBox(int index, QWidget *parent);

    int index() const { return m_index; }

    const QImage &picture() const { return m_picture; }
    void setPicture(const QImage &picture);

    bool hasBorder() const { return m_border; }
    void setBorder(bool single);

    // The drawing area: the whole box without border, one pixel less on each
    // side with it.
    QSize innerSize() const;

    QColor backColor() const { return m_back; }
    void setBackColor(const QColor &color);
    static QColor buttonFace();              // the normal background, darker than the window
    static QColor dropTarget() { return Qt::white; }

    // A hint marks the field with a bright frame over its picture.
    bool isHighlighted() const { return m_highlight; }
    void setHighlight(bool on);

    QString Tag;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_index;
    QImage m_picture;
    bool m_border = true;
    QColor m_back;
    bool m_highlight = false;
};

// What follows the pointer while a tile is dragged: an unfilled outline of
// the field, so that the field under it keeps its colour and a lit drop
// target shows white.
class DragOutline : public QWidget
{
public:
    explicit DragOutline(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
