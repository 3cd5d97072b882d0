#pragma once

#include <QPixmap>
#include <QWidget>

// A picture of fixed size that reports a double-click of the left mouse button, or Space or
// Enter while it has the keyboard focus, which it shows with a frame.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPixmap(const QPixmap &pixmap);

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPixmap m_pixmap;
};
