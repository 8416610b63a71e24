#include "app/caption_fit.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>

namespace velmorant {

namespace {

bool isCaption(const QWidget *widget)
{
    return qobject_cast<const QLabel *>(widget) || qobject_cast<const QAbstractButton *>(widget);
}

QList<QWidget *> captions(const QWidget *form)
{
    QList<QWidget *> found;
    for (QWidget *child : form->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (isCaption(child))
            found << child;
    }
    return found;
}

} // namespace

CaptionFit::CaptionFit(QWidget *form, QObject *owner) : QObject(owner), form(form)
{
    for (const QWidget *caption : captions(form))
        formWidths.insert(caption, caption->width());
    // Without a layout, the form hears of a child's new size hint as a layout request.
    form->installEventFilter(this);
}

bool CaptionFit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == form
        && (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest))
        fit();
    return false;
}

void CaptionFit::fit()
{
    for (QWidget *caption : captions(form)) {
        const int room = form->width() - caption->x();
        const int width = qMax(formWidths.value(caption, caption->width()),
                               qMin(caption->sizeHint().width(), room));
        if (width != caption->width())
            caption->resize(width, caption->height());
    }
}

} // namespace velmorant
