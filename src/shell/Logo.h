#pragma once

#include <QColor>
#include <QImage>
#include <optional>

// The application's logo from the resources, loaded once on first use; absent
// for the whole run when the resource is missing or unreadable.
const std::optional<QImage>& logoImage();

// The logo as a template: its shape in one colour, scaled to the height with
// the aspect ratio kept.
QImage logoTemplate(const QImage& logo, const QColor& colour, int height);
