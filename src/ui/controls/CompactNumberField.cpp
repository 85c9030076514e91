#include "ui/controls/CompactNumberField.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <cmath>

#include "platform/NumText.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

std::optional<double> parseTypedNumber(const QString& text) {
    QString cleaned = text;
    cleaned.replace(QLatin1Char(','), QLatin1Char('.'));
    cleaned = cleaned.trimmed();
    const std::optional<double> value = numtext::parseDouble(cleaned);
    if (!value || std::isnan(*value)) return std::nullopt;
    return value;
}

QString formatNumber(const QString& format, double value) {
    return numtext::format(format.toUtf8().constData(), value);
}

namespace {

// After a focus gain, the next left-button release re-selects everything; it
// is one-shot and expires after a second, so a later click places the cursor.
class SelectAllOnFocus : public QObject {
public:
    explicit SelectAllOnFocus(QLineEdit* edit) : QObject(edit), m_edit(edit) {
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            selectSoon();
            m_armed.start();
        } else if (event->type() == QEvent::MouseButtonRelease && m_armed.isValid()) {
            if (m_armed.elapsed() <= 1000) selectSoon();
            m_armed.invalidate();
        }
        return false;
    }

private:
    void selectSoon() {
        QTimer::singleShot(0, m_edit, [edit = QPointer<QLineEdit>(m_edit)] {
            if (edit && edit->hasFocus()) edit->selectAll();
        });
    }

    QLineEdit* m_edit;
    QElapsedTimer m_armed;
};

}  // namespace

void selectAllOnFocus(QLineEdit* edit) {
    new SelectAllOnFocus(edit);
}

CompactNumberField::CompactNumberField(const QString& format, const QString& unit, double fieldWidth,
                                       QWidget* parent)
    : QWidget(parent),
      m_format(format),
      m_fieldWidth(fieldWidth),
      m_font(Theme::monoFont(Theme::captionPx + 1)),
      m_edit(new QLineEdit),
      m_edits(new FieldEdits(*m_edit)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    m_edit->setFont(m_font);
    m_edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_edit->setFixedWidth(qRound(fieldWidth));
    m_edit->setTextMargins(0, 0, 0, 0);
    row->addWidget(m_edit, 0, Qt::AlignVCenter);
    if (!unit.isEmpty()) {
        m_unit = new PlainLabel(unit);
        m_unit->setFont(Theme::font(Theme::caption2Px));
        QPalette palette = m_unit->palette();
        palette.setColor(QPalette::WindowText, Theme::secondaryText());
        m_unit->setPalette(palette);
        m_unit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        row->addWidget(m_unit, 0, Qt::AlignVCenter);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    selectAllOnFocus(m_edit);
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::returnPressed, this, &CompactNumberField::commit);
    showValue();
}

bool CompactNumberField::event(QEvent* event) {
    // The typed field is what the user and assistive tools meet: it carries the field's tip,
    // which then also names it. A reason the field shows no setting is the typed field's own
    // to add, once, and names nothing.
    if (event->type() == QEvent::ToolTipChange) m_edit->setToolTip(ownToolTip(*this));
    return QWidget::event(event);
}

void CompactNumberField::setRange(double lo, double hi) {
    m_range = std::pair(lo, hi);
    fitWidth();
}

QStringList CompactNumberField::widestTexts() const {
    if (!m_range) return {};
    return {formatNumber(m_format, m_range->first), formatNumber(m_format, m_range->second)};
}

// The field's frame and the line edit's own margins come from the style, which a
// style sheet may change when the field is polished: measured then, not once.
void CompactNumberField::fitWidth() {
    int width = qRound(m_fieldWidth);
    QFont font = m_font;
    if (m_range) {
        const int frame = frameWidth();
        const auto needed = [&] {
            const QFontMetricsF metrics(font);
            double text = 0;
            for (const QString& shown : widestTexts())
                text = std::max(text, metrics.horizontalAdvance(shown));
            return int(std::ceil(text)) + frame;
        };
        // The field keeps the width it was given (its neighbours are laid out for it): a text
        // that would not show whole is set a little smaller first, and only then widens it.
        for (int step = 0; step < maxShrinkPx && needed() > width; ++step)
            font.setPixelSize(font.pixelSize() - 1);
        width = std::max(width, needed());
    }
    // Set only when it changes: a new font asks for another fit.
    if (m_edit->font() != font) m_edit->setFont(font);
    m_edit->setFixedWidth(width);
}

int CompactNumberField::frameWidth() const {
    QStyleOptionFrame option;
    option.initFrom(m_edit);
    option.rect = QRect(0, 0, 100, 30);
    option.lineWidth = m_edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, m_edit);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QRect contents = m_edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, m_edit);
    const QMargins margins = m_edit->textMargins();
    // The line edit keeps 2 pixels each side and one for the cursor.
    return option.rect.width() - contents.width() + margins.left() + margins.right() + 2 * 2 + 1;
}

void keepTyping(CompactNumberField& field, const QString& key) {
    FieldEdits::of(*field.lineEdit()).keepAs(key);
}

void CompactNumberField::setValue(double value) {
    m_value = value;
    m_known = true;
    showReadState(*m_edit, true);
    // A refresh while the user types keeps the typing; the commit shows the value then.
    if (!m_edits->editing()) showValue();
}

void CompactNumberField::showUnknown() {
    m_known = false;
    showReadState(*m_edit, false);
    if (!m_edits->editing()) showValue();
}

void CompactNumberField::setTextColor(const QColor& colour) {
    QPalette palette = m_edit->palette();
    // The disabled colour stays the theme's, so a field whose value is unknown looks it.
    palette.setColor(QPalette::Active, QPalette::Text, colour);
    palette.setColor(QPalette::Inactive, QPalette::Text, colour);
    m_edit->setPalette(palette);
}

bool CompactNumberField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange ||
                              event->type() == QEvent::FontChange))
        fitWidth();
    // Leaving an untouched field commits nothing: the shown text is only a
    // formatted copy, and sending it back would round the owner's value.
    if (watched == m_edit && event->type() == QEvent::FocusOut && m_edit->isModified()) commit();
    return QWidget::eventFilter(watched, event);
}

void CompactNumberField::commit() {
    const QPointer<CompactNumberField> self(this);
    // Return in an untouched field writes nothing, as leaving it does.
    const std::optional<double> parsed =
        m_edit->isModified() ? parseTypedNumber(m_edit->text()) : std::nullopt;
    if (parsed) Q_EMIT committed(*parsed);
    if (self) showValue();
}

void CompactNumberField::showValue() {
    m_edits->show(m_known ? formatNumber(m_format, m_value) : QStringLiteral("—"));
}
