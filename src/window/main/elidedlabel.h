#pragma once

#include <QLabel>

// A one-line label for texts of any length (paths, the file in progress): it keeps its whole
// text (text(), and what a screen reader reads) but draws what does not fit with an ellipsis
// in the middle, and then gives the whole text as its tool tip. It asks for no width of its
// own, so a long text never widens or cuts the controls beside it. GUI thread.
class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    // Whether the text is drawn shortened at the present width.
    bool isElided() const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QString shownText() const;
};
