#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include "editor/EditorKit.h"
#include "link/LiveModel.h"
#include "pages/PageTesting.h"
#include "pages/SourcesView.h"
#include "support/ScriptedDialogs.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/Theme.h"
#include "ui/controls/UnitSlider.h"

using namespace pagetest;

namespace {

enum Segment { analogSegment, aesSegment, danteSegment, testSignalSegment };

struct SourcesPage {
    livemodel::Offline device;
    kestrel_test::ScriptedDialogs dialogs;
    std::unique_ptr<SourcesView> view;

    // Read back from a device that reported zeros everywhere, or from one that answered nothing.
    explicit SourcesPage(bool readBack = true) {
        if (readBack) device.holdEveryParameter();
        view = std::make_unique<SourcesView>(model(), dialogs);
        view->resize(900, 640);
        view->show();
    }
    DSPModel& model() { return *device.model; }
    void pick(int input, Segment segment) { view->sourcePicker(input)->segment(segment)->click(); }
};

QList<quint32> writtenNumbers(const QSignalSpy& spy) {
    QList<quint32> numbers;
    for (const QList<QVariant>& call : spy) numbers.append(call[0].toUInt());
    return numbers;
}

}  // namespace

// Nothing read yet: no choice or value shows, and no control offers to change what is unknown.
TEST(SourcesViewTest, AnEmptyTableShowsNoValueAndOffersNoEdit) {
    SourcesPage page(false);
    for (int input = 0; input < 4; ++input) {
        EXPECT_EQ(page.view->sourcePicker(input)->current(), QString());
        EXPECT_EQ(page.view->inputName(input)->text(), QStringLiteral("—"));
    }
    for (Generator g : Generator::allCases()) {
        EXPECT_FALSE(page.view->generatorRow(g).power->isChecked());
        EXPECT_EQ(page.view->generatorRow(g).level->lineEdit()->text(), QStringLiteral("—"));
        EXPECT_FALSE(page.view->generatorChoice(g)->isChecked());
    }
    EXPECT_EQ(page.view->frequencyField()->lineEdit()->text(), QStringLiteral("—"));
    EXPECT_FALSE(page.view->sourcePicker(0)->isEnabled());
    EXPECT_FALSE(page.view->generatorChoice(Generator::pink)->isEnabled());
    EXPECT_FALSE(page.view->generatorRow(Generator::sine).slider->isEnabled());
    EXPECT_FALSE(page.view->frequencyField()->isEnabled());
    page.pick(0, danteSegment);
    EXPECT_TRUE(page.model().params().isEmpty());

    for (quint32 word : {0u, 3u, 99u}) EXPECT_EQ(SourcesView::shownGenerator(word), Generator::sine) << word;
    EXPECT_EQ(SourcesView::shownGenerator(1), Generator::pink);
    EXPECT_EQ(SourcesView::shownGenerator(2), Generator::white);

    page.model().write(342, {2});
    page.model().write(380, DSPFrame::packString(QStringLiteral("Kick"), 2));
    turn();
    EXPECT_TRUE(page.view->generatorChoice(Generator::white)->isChecked());
    EXPECT_EQ(page.view->inputName(2)->text(), QStringLiteral("Kick"));
}

TEST(SourcesViewTest, TheTestSignalIsRoutedOnlyAfterConfirmation) {
    SourcesPage page;
    DSPModel& model = page.model();
    model.write(352, {1});  // input 2 hears Dante
    model.write(342, {1});
    turn();
    QSignalSpy writes(&model, &DSPModel::paramChanged);

    page.pick(2, testSignalSegment);  // no answer queued: cancelled
    turn();                           // asked once the pick has returned
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(page.view->sourcePicker(2)->current(), QString::number(danteSegment));
    ASSERT_EQ(page.dialogs.asked.size(), 1);
    EXPECT_EQ(page.dialogs.asked[0].title, QStringLiteral("Route the test signal to this input?"));

    page.dialogs.confirmAnswers.enqueue(true);
    page.pick(2, testSignalSegment);
    turn();
    EXPECT_EQ(writtenNumbers(writes), (QList<quint32>{348, 342, 352}));
    EXPECT_EQ(model.words(348, 0), DSPModel::Words{1});
    EXPECT_EQ(model.words(342, 0), DSPModel::Words{1});
    EXPECT_EQ(model.words(352, 0), DSPModel::Words{1});
    turn();
    EXPECT_EQ(page.view->sourcePicker(2)->current(), QString::number(testSignalSegment));

    writes.clear();
    page.pick(2, analogSegment);
    EXPECT_EQ(writtenNumbers(writes), (QList<quint32>{348, 342, 352}));
    EXPECT_EQ(model.words(348, 0), DSPModel::Words{0});
    EXPECT_EQ(model.words(352, 0), DSPModel::Words{0});
    EXPECT_EQ(page.dialogs.asked.size(), 2);
    page.pick(1, aesSegment);
    EXPECT_EQ(model.words(351, 0), DSPModel::Words{2});
}

TEST(SourcesViewTest, GeneratorEditsAreClampedByTheModelAndShownBack) {
    SourcesPage page;
    DSPModel& model = page.model();
    QLineEdit* pinkLevel = page.view->generatorRow(Generator::pink).level->lineEdit();
    struct Typed {
        const char* text;
        float stored;
    };
    for (const Typed& t : {Typed{"-120", -90.0f}, Typed{"5", 0.0f}, Typed{"-45.66", -45.7f}}) {
        typeInto(pinkLevel, QString::fromLatin1(t.text));
        EXPECT_EQ(model.generatorLevel(Generator::pink), t.stored) << t.text;
    }
    turn();
    EXPECT_EQ(pinkLevel->text(), QStringLiteral("-45.7"));
    EXPECT_EQ(page.view->generatorRow(Generator::pink).slider->value(), -457);

    page.view->generatorRow(Generator::white).slider->setValue(-123);  // as a drag does
    EXPECT_EQ(model.generatorLevel(Generator::white), -12.3f);

    page.view->generatorRow(Generator::sine).power->click();
    EXPECT_FALSE(model.generatorIsOn(Generator::sine));
    EXPECT_EQ(model.words(343, 3)[2] & 1u, 1u);

    QLineEdit* frequency = page.view->frequencyField()->lineEdit();
    struct Hz {
        const char* text;
        quint32 stored;
    };
    for (const Hz& h :
         {Hz{"10", 20}, Hz{"30000", 22000}, Hz{"440.7", 440}, Hz{"1e300", 22000}, Hz{"-5", 20}}) {
        typeInto(frequency, QString::fromLatin1(h.text));
        EXPECT_EQ(model.words(343, 3)[0], h.stored) << h.text;
    }

    page.view->generatorChoice(Generator::white)->click();
    EXPECT_EQ(model.words(342, 0), DSPModel::Words{2});
}

TEST(SourcesViewTest, EveryControlIsWholeAtTheNarrowestPageWidth) {
    Theme::apply(*qApp);
    SourcesPage page;  // as wide as the page area of the narrowest window
    page.model().enterDemo();
    turn();
    EXPECT_EQ(kestrel_test::cutOffAtTheSides(*page.view), "");
    kestrel_test::saveScreenshot(*page.view, QStringLiteral("pages_sources"));
}

// In the window on the simulator: the source, the test signal and the generator already
// chosen, clicked again, send nothing and ask nothing; a new choice still writes.
TEST(SourcesViewTest, ChoosingWhatIsAlreadyChosenWritesAndAsksNothing) {
    kestrel_test::WindowRig::Options options;
    options.startPage = QStringLiteral("sources");
    options.prepare = [](DeviceSimulator& sim) {
        sim.device().params[342] = {1};  // pink
        sim.device().params[347] = {1};  // input 2 hears the test signal
    };
    kestrel_test::WindowRig rig(options);
    auto* view = rig.page<SourcesView>();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->sourcePicker(1)->current(), QString::number(testSignalSegment));
    const qsizetype mark = rig.mark();
    const auto clickOn = [&](QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        rig.turn();
    };
    clickOn(view->sourcePicker(0)->segment(view->sourcePicker(0)->current().toInt()));
    clickOn(view->sourcePicker(1)->segment(testSignalSegment));
    clickOn(view->generatorChoice(Generator::pink));
    QTest::qWait(300);  // time for a write to reach the device
    EXPECT_TRUE(rig.receivedSince(mark, 5).isEmpty());
    EXPECT_TRUE(rig.dialogs.asked.isEmpty());

    clickOn(view->generatorChoice(Generator::white));
    ASSERT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, 5).isEmpty(); }, 5));
    EXPECT_EQ(rig.receivedSince(mark, 5).first().words.mid(1), (DSPModel::Words{342, 2}));
}
