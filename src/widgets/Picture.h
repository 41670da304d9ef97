#pragma once

#include <QImage>
#include <QWidget>

namespace vrl {

// A picture stretched to the control. It keeps its colours when the control is disabled.
class Picture : public QWidget
{
    Q_OBJECT

public:
    explicit Picture(QWidget *parent = nullptr);

    const QImage &image() const { return m_image; }
    void setImage(const QImage &image);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

} // namespace vrl
