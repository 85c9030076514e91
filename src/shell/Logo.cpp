#include "shell/Logo.h"

#include <QPainter>

const std::optional<QImage>& logoImage() {
    static const std::optional<QImage> logo = []() -> std::optional<QImage> {
        QImage image(QStringLiteral(":/Logo.png"));
        if (image.isNull()) return std::nullopt;
        return image;
    }();
    return logo;
}

QImage logoTemplate(const QImage& logo, const QColor& colour, int height) {
    QImage scaled = logo.scaledToHeight(height, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scaled);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(scaled.rect(), colour);
    return scaled;
}
