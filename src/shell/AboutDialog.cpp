#include "shell/AboutDialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QVBoxLayout>

#include "shell/Logo.h"
#include "shell/ProductSettings.h"
#include "shell/ProjectCommands.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tessaline DSP Control"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(6);
    if (const auto& logo = logoImage()) {
        auto* icon = new PlainLabel(this);
        icon->setPixmap(QPixmap::fromImage(logo->scaledToHeight(64, Qt::SmoothTransformation)));
        column->addWidget(icon, 0, Qt::AlignHCenter);
    }
    auto* name = new PlainLabel(QStringLiteral("Tessaline DSP Control"), this);
    name->setFont(Theme::font(14, QFont::Bold));
    column->addWidget(name, 0, Qt::AlignHCenter);
    auto* version = new PlainLabel(QStringLiteral("Version %1").arg(ProjectCommands::version()), this);
    version->setFont(Theme::font(11));
    column->addWidget(version, 0, Qt::AlignHCenter);
    // The line between the version and the credits is room, not a line break in their text:
    // assistive tools read the text as the credits' name.
    column->addSpacing(QFontMetrics(Theme::font(11)).lineSpacing());
    auto* credits = new QLabel(creditsHtml(), this);
    credits->setObjectName(QStringLiteral("credits"));
    credits->setFont(Theme::font(11));
    credits->setAlignment(Qt::AlignHCenter);
    credits->setTextFormat(Qt::RichText);
    credits->setOpenExternalLinks(true);
    credits->setStyleSheet(QStringLiteral("color: %1").arg(Theme::secondaryText().name(QColor::HexArgb)));
    column->addWidget(credits);
}

QString AboutDialog::creditsHtml() {
    QString html = QStringLiteral("Control software for Tessaline DSP speaker processors (Kestrel).");
    const QString domain = ProductSettings::webDomain();
    const QString website = ProductSettings::website();
    if (!domain.isEmpty()) {
        html += QStringLiteral("<br><br>");
        html += website.isEmpty() ? domain.toHtmlEscaped()
                                  : QStringLiteral("<a href=\"%1\">%2</a>")
                                        .arg(website.toHtmlEscaped(), domain.toHtmlEscaped());
    }
    return html;
}
