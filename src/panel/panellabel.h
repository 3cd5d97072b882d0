#pragma once

#include <QString>
#include <QWidget>

// A one-line label of fixed size that shows its text as plain characters: no markup, no
// shortcut marker, no growing with the text. It lays out only the part of the text that can
// fit, so a line of any length costs the same to show; what does not fit ends in an
// ellipsis.
class PanelLabel : public QWidget
{
    Q_OBJECT

public:
    explicit PanelLabel(QWidget *parent = nullptr);

    void setText(const QString &text);
    const QString &text() const { return m_text; }
    const QString &shownText() const { return m_shown; } // what fits, as painted

    void setAlignment(Qt::Alignment alignment);
    void setBorder(bool border); // a sunken single-line border

    QSize sizeHint() const override { return size(); }
    QSize minimumSizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void measureFont();
    void fitText();

    QString m_text;
    QString m_shown;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_border = false;
    int m_narrowestAdvance = 1; // of the printable ASCII characters, in pixels
};
