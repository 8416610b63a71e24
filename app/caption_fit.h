#pragma once

#include <QHash>
#include <QObject>
#include <QWidget>

namespace velmorant {

// Keeps the captions on a form without a layout readable whole: once the
// form is shown with its real fonts (a style sheet's font applies only when a
// widget is polished), and whenever a caption's size hint changes, a label
// or button whose text is wider than the form made it grows to the right to
// fit, up to the form's edge. It never shrinks below the form's width, and
// never moves.
class CaptionFit : public QObject
{
public:
    // owner deletes it; a child of the form itself would count among the form's children.
    CaptionFit(QWidget *form, QObject *owner);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fit();

    QWidget *form;
    QHash<const QWidget *, int> formWidths; // each caption's width as the form made it
};

} // namespace velmorant
