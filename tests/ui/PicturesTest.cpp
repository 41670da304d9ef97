#include "app/JpegPicture.h"

#include <QFile>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(Pictures, IcebergsAndIconDecodeThroughLibjpeg)
{
    const QImage grey = vrl::loadJpegPicture(QStringLiteral("iceberg_grey.jpg"));
    EXPECT_EQ(grey.size(), QSize(107, 29));
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    const QImage colour = vrl::loadJpegPicture(QStringLiteral("iceberg_colour.jpg"));
    EXPECT_EQ(colour.size(), QSize(107, 29));
    EXPECT_EQ(colour.format(), QImage::Format_RGB888);
    // The sky is bluer than it is red.
    const QColor sky = colour.pixelColor(2, 2);
    EXPECT_GT(sky.blue(), sky.red() + 40);
    EXPECT_EQ(vrl::loadJpegPicture(QStringLiteral("vorlan_icon.jpg")).size(), QSize(32, 32));
}

TEST(Pictures, DamagedDataIsRefusedNotCrashedOn)
{
    EXPECT_THROW(vrl::decodeJpeg(QByteArray()), std::runtime_error);
    EXPECT_THROW(vrl::decodeJpeg(QByteArray("not a picture at all")), std::runtime_error);
    QFile file(QStringLiteral(":/pictures/iceberg_colour.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    EXPECT_THROW(vrl::decodeJpeg(whole.left(20)), std::runtime_error);
    EXPECT_THROW(vrl::loadJpegPicture(QStringLiteral("missing.jpg")), std::runtime_error);
}
