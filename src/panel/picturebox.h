#pragma once

#include <QPixmap>
#include <QWidget>

// A picture of fixed size that reports a double-click of the left mouse button.
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

private:
    QPixmap m_pixmap;
};
