#pragma once

#include <QObject>

#include "app/Page.h"

// Lets any view ask the console to show a page (the input panel opens the
// sources page this way) without knowing the console.
class Navigator : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void showPage(const Page& page) { Q_EMIT pageRequested(page); }

Q_SIGNALS:
    void pageRequested(const Page& page);
};
