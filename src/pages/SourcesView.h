#pragma once

#include <QList>
#include <QWidget>

#include "link/DeviceVocabulary.h"

class CompactNumberField;
class DSPModel;
class Dialogs;
class NumberField;
class QCheckBox;
class QLabel;
class QRadioButton;
class UnitSlider;
class ModelWatcher;
class SegmentedPicker;

// The sources page: each physical input's source, and the test-signal generator with
// its three generators. Every control shows the model's words and writes through the
// model's typed setters; routing the test signal to an input asks first.
class SourcesView : public QWidget {
    Q_OBJECT
public:
    // The source picker's segments, in their order on screen.
    static constexpr InputSource::Value pickerOrder[] = {InputSource::analog, InputSource::aes,
                                                         InputSource::dante, InputSource::testSignal};

    struct GeneratorRow {
        QCheckBox* power;
        UnitSlider* slider;
        CompactNumberField* level;
    };

    SourcesView(DSPModel& model, Dialogs& dialogs, QWidget* parent = nullptr);

    // The generator the picker shows for word 0 of parameter 342: pink for 1, white for
    // 2, the sine for anything else.
    static Generator shownGenerator(quint32 word);

    SegmentedPicker* sourcePicker(int input) const { return m_sourcePickers[input]; }
    QLabel* inputName(int input) const { return m_names[input]; }
    QRadioButton* generatorChoice(Generator g) const { return m_generatorChoices[g.rawValue()]; }
    const GeneratorRow& generatorRow(Generator g) const { return m_generatorRows[g.rawValue()]; }
    NumberField* frequencyField() const { return m_frequency; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildInputs();
    QWidget* buildTestSignal();
    QWidget* buildGeneratorRow(Generator g);
    void showGeneratorChoice();
    void choose(int input, InputSource source);
    void refresh();

    DSPModel& m_model;
    Dialogs& m_dialogs;
    QList<QLabel*> m_names;
    QList<SegmentedPicker*> m_sourcePickers;
    QList<QRadioButton*> m_generatorChoices;
    QList<GeneratorRow> m_generatorRows;
    NumberField* m_frequency = nullptr;
    ModelWatcher* m_refresh;
};
