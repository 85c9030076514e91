#include <gtest/gtest.h>

#include <QAccessibleEditableTextInterface>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTest>

#include <bit>

#include "designer/DesignerSteps.h"
#include "designer/DesignerTesting.h"
#include "designer/FIRDesignerView.h"
#include "editor/ChannelView.h"
#include "editor/FIRBox.h"
#include "fir/FIRFile.h"
#include "pages/DeviceView.h"
#include "pages/PresetsView.h"
#include "support/AccessibleRoles.h"
#include "support/AppProcess.h"
#include "support/FindWidgets.h"
#include "support/WindowRig.h"
#include "ui/FIRSendBar.h"

using kestrel_test::WindowRig;

namespace {

QList<quint32> bitsOf(const QList<float>& values) {
    QList<quint32> bits;
    for (float v : values) bits.append(std::bit_cast<quint32>(v));
    return bits;
}

void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// A two-line text reaching the field by Ctrl+V, then as an assistive tool gives it; what the
// field holds after each.
QStringList pastedAndGiven(QLineEdit& field) {
    QGuiApplication::clipboard()->setText(QStringLiteral("EQ\n0.5"));
    field.setFocus();
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    const QString pasted = field.text();
    kestrel_test::accessibleOf(&field)->editableTextInterface()->replaceText(0, int(field.text().size()),
                                                                             QStringLiteral("Hi\r\n\x1b[2J"));
    return {pasted, field.text()};
}

}  // namespace

// A name stored with a line break stays on the export's header line: the file reads back as the
// designed filter, bit for bit, by the reader, the command line and a FIR tab that sends it. A
// name field takes no line break, so only a stored name still holds one.
TEST(NamesOnOneLine, AnExportedFilterReadsBackAsTheDesignedOneAndNameFieldsTakeNoLineBreak) {
    WindowRig rig;
    FIRDesignerSettings stored;
    stored.name = QStringLiteral("EQ\n0.5");
    stored.taps = 256;
    rig.settings.setValue(FIRDesignerView::settingsKey, QJsonDocument(stored.toJson()).toJson());
    rig.showPage(Page::of(Page::Kind::firDesigner));
    auto* designer = rig.page<FIRDesignerView>();
    ASSERT_NE(designer, nullptr);
    rig.dialogs.clipboard = QString::fromLatin1(designertest::measurementText(480, 480, 6));
    designer->pasteMeasurement();
    ASSERT_TRUE(rig.waitFor([&] { return !designer->coefficients().isEmpty(); }));
    ASSERT_EQ(designer->settings().name, stored.name);
    const QList<quint32> designed = bitsOf(designer->coefficients());
    ASSERT_EQ(designed.size(), 256);

    const QString path = rig.dir.filePath(QStringLiteral("eq.txt"));
    rig.dialogs.fileAnswers.enqueue(path);
    click(kestrel_test::buttonNamed(*designer, QStringLiteral("Export…")));
    QFile exported(path);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QByteArray bytes = exported.readAll();
    EXPECT_TRUE(bytes.startsWith(
        QStringLiteral("# Tessaline DSP Control FIR — EQ\u21B50.5, 256 taps, 48 kHz\n").toUtf8()));
    EXPECT_EQ(bytes.count('\n'), 257);

    const FIRFile::Result read = FIRFile::load(path);
    ASSERT_TRUE(std::holds_alternative<FIRFile::Loaded>(read));
    EXPECT_EQ(bitsOf(std::get<FIRFile::Loaded>(read).coefficients), designed);
    EXPECT_EQ(std::get<FIRFile::Loaded>(read).note, std::nullopt);
    const kestrel_test::AppRun run = kestrel_test::runApp({QStringLiteral("--fir-file"), path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.outLines().size(), 1) << run.outText().toStdString();
    EXPECT_TRUE(run.outText().startsWith(QStringLiteral("OK eq: 256 taps, sum ")))
        << run.outText().toStdString();

    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    rig.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::file));
    rig.showPage(Page::channelPage(4));
    auto* box = rig.pageView()->findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);
    rig.dialogs.fileAnswers.enqueue(path);
    click(box->chooseFileButton());
    ASSERT_TRUE(box->pendingFilter());
    rig.dialogs.confirmAnswers.enqueue(true);
    click(box->sendBar()->sendButton());
    ASSERT_TRUE(rig.waitFor([&] {
        return box->sendBar()->status() && box->sendBar()->status()->startsWith(QStringLiteral("Sent"));
    }));
    const SimFIRBlock block = rig.simulator.device().fir.blocks.value(DSPModel::firTarget(4));
    EXPECT_EQ(block.coefficients, designed);

    // Name fields take no line break, pasted or given by an assistive tool.
    const QStringList dropped{QStringLiteral("EQ0.5"), QStringLiteral("Hi[2J")};
    EXPECT_EQ(pastedAndGiven(*box->nameEdit()), dropped);
    rig.showPage(Page::of(Page::Kind::firDesigner));
    designer = rig.page<FIRDesignerView>();
    ASSERT_NE(designer, nullptr);
    EXPECT_EQ(pastedAndGiven(*designer->findChild<GenerateStep*>()->name), dropped);
    EXPECT_EQ(designer->settings().name, dropped.last());
    rig.showPage(Page::of(Page::Kind::device));
    EXPECT_EQ(pastedAndGiven(*rig.page<DeviceView>()->nameField()), dropped);
    rig.showPage(Page::of(Page::Kind::presets));
    rig.page<PresetsView>()->select(5);
    rig.turn();
    EXPECT_EQ(pastedAndGiven(*rig.page<PresetsView>()->nameField()), dropped);
}
