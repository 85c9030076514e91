#pragma once

#include <QWidget>

#include "link/DSPModel.h"

class CompactNumberField;
class Encoder;
class QAbstractButton;
class QBoxLayout;
class QComboBox;
class QFrame;
class QGraphicsOpacityEffect;
class SegmentedPicker;
class Settings;

// High-pass, low-pass and delay of a channel under the EQ graph. The delay's
// display unit is remembered in the settings and shared by every channel.
class FiltersDelayPanel : public QWidget {
    Q_OBJECT
public:
    FiltersDelayPanel(DSPModel& model, Settings& settings, int ch, QWidget* parent = nullptr);

    static inline const QString unitKey = QStringLiteral("delayUnit");
    static double unitFactor(const QString& unit);

    void refresh();
    void setFilter(quint32 number, const DSPModel::Filter& filter);
    void setDelayOn(bool on);
    void setDelay(double ms);
    QString unit() const;
    bool compact() const { return m_compact; }

    struct FilterControls {
        quint32 number = 0;
        QWidget* group = nullptr;
        QBoxLayout* layout = nullptr;
        QAbstractButton* toggle = nullptr;
        Encoder* knob = nullptr;
        CompactNumberField* field = nullptr;
        QComboBox* slope = nullptr;
        QGraphicsOpacityEffect* dim = nullptr;
    };
    const FilterControls& highPass() const { return m_filters[0]; }
    const FilterControls& lowPass() const { return m_filters[1]; }
    QAbstractButton* delayToggle() const { return m_delayToggle; }
    Encoder* delayKnob() const { return m_delayKnob; }
    CompactNumberField* delayField() const { return m_delayField; }
    SegmentedPicker* unitPicker() const { return m_unitPicker; }

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    FilterControls makeFilter(const QString& title, quint32 number);
    QWidget* makeDelay();
    void arrange(bool compact);
    void measure();
    void showDelay();
    CompactNumberField* makeDelayField(const QString& shownUnit);

    DSPModel& m_model;
    Settings& m_settings;
    int m_ch;
    FilterControls m_filters[2];
    QWidget* m_delayGroup = nullptr;
    QBoxLayout* m_delayLayout = nullptr;
    QAbstractButton* m_delayToggle = nullptr;
    Encoder* m_delayKnob = nullptr;
    CompactNumberField* m_delayField = nullptr;
    SegmentedPicker* m_unitPicker = nullptr;
    QString m_fieldUnit;
    QList<QFrame*> m_separators;
    int m_wideWidth = 0;
    int m_compactWidth = 0;
    bool m_compact = false;
};
