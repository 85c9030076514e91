#pragma once

#include <QDialog>

// The About panel: logo, name, version and credits.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // The credits as rich text: the product line and the maker's web domain as a link.
    static QString creditsHtml();
};
