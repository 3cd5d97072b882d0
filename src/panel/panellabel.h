#pragma once

#include <QString>
#include <QWidget>

// A one-line label of fixed size that shows its text as plain characters: no markup, no
// shortcut marker, no growing with the text. It lays out only the part of the text that can
// fit, so a line of any length costs the same to show; what does not fit ends in an
// ellipsis. The fitting waits for the first paint: a label out of view at start never lays
// out its text, nor loads its font.
class PanelLabel : public QWidget
{
    Q_OBJECT

public:
    explicit PanelLabel(QWidget *parent = nullptr);

    void setText(const QString &text);
    const QString &text() const { return m_text; }
    const QString &shownText() const; // what fits, as painted

    void setAlignment(Qt::Alignment alignment);
    void setBorder(bool border); // a sunken single-line border

    QSize sizeHint() const override { return size(); }
    QSize minimumSizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int narrowestAdvance() const;
    void refit(); // the text, the width or the font has changed

    QString m_text;
    mutable QString m_shown;
    mutable bool m_fitted = false; // m_shown is m_text fitted to the width in the font
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_border = false;
    mutable int m_narrowestAdvance = 0; // of the printable ASCII characters; 0: not measured
};
