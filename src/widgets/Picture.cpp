#include "widgets/Picture.h"

#include <QPainter>

namespace vrl {

Picture::Picture(QWidget *parent)
    : QWidget(parent)
{ }

void Picture::setImage(const QImage &image)
{
    m_image = image;
    update();
}

void Picture::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

} // namespace vrl
