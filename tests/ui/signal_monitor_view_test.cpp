// The signal monitor window shows what the program received, and reaches the core's marks.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTreeWidget>

#include "ui/signal_monitor.h"
#include "view_rig.h"

namespace kdtest {
namespace {

TEST(SignalMonitorWindow, ShowsTheValuesReceivedAndTheMarkedSpans) {
    ViewRig rig;
    int64_t t = 0;
    rig.program.signalMonitor.setClock([&t] { return t; });
    auto* view = new kd::SignalMonitorView(rig.window, rig.program);
    auto* menu = rig.window.findChild<QMenu*>(QStringLiteral("ViewmenPopup"));
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->actions().contains(view->action()));
    EXPECT_EQ(view->action()->text(), QStringLiteral("Signal Monitor"));
    rig.form.ConnectButton.click();

    view->action()->trigger();
    kd::SignalMonitorWindow* w = view->monitor();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isWindow());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w)->role(), QAccessible::Window);

    rig.port.receive("+SS: 23\r\n");
    t += 30'000;
    rig.port.receive("+SS: 19\r\n");
    EXPECT_EQ(rig.form.ModemStat(8).text(), "19%");
    // The window draws a moment later, never on the wire's path.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->latestLabel()->text() == QStringLiteral("19%"); }, 2000));
    EXPECT_GE(w->latestLabel()->font().pointSize(), 48);
    ASSERT_EQ(w->series()->count(), 2);
    EXPECT_DOUBLE_EQ(w->series()->at(0).x(), -0.5);  // half a minute ago
    EXPECT_EQ(w->figure(0)->text(), QStringLiteral("19%"));
    EXPECT_EQ(w->figure(1)->text(), QStringLiteral("23%"));
    EXPECT_EQ(w->figure(2)->text(), QStringLiteral("21%"));
    // 23 was announced; 19 is 4 away, so the spoken name still says 23.
    EXPECT_EQ(w->latestLabel()->accessibleName(), QStringLiteral("Latest signal strength 23%"));

    rig.dialogs.spanName = "north mast, 2 m";
    w->markButton()->click();
    rig.port.receive("+SS: 31\r\n");
    w->refresh();
    EXPECT_EQ(w->latestLabel()->accessibleName(), QStringLiteral("Latest signal strength 31%"));
    rig.port.receive("+SS: 33\r\n");  // 2 from 31: not said again
    w->refresh();
    EXPECT_EQ(w->latestLabel()->text(), QStringLiteral("33%"));
    EXPECT_EQ(w->latestLabel()->accessibleName(), QStringLiteral("Latest signal strength 31%"));
    QTreeWidget* spans = w->spansList();
    ASSERT_EQ(spans->topLevelItemCount(), 2);
    EXPECT_EQ(spans->topLevelItem(0)->text(5), QStringLiteral("21%"));
    EXPECT_EQ(spans->topLevelItem(1)->text(0), QStringLiteral("north mast, 2 m"));
    EXPECT_EQ(spans->topLevelItem(1)->text(5), QStringLiteral("32%"));
    EXPECT_EQ(w->figure(3)->text(), QStringLiteral("2"));

    // Every control has its own name, for the screen reader.
    QStringList names;
    for (QWidget* c : w->findChildren<QWidget*>())
        if (c->focusPolicy() != Qt::NoFocus && !c->accessibleName().isEmpty()) names << c->accessibleName();
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size()) << names.join(QStringLiteral(", ")).toStdString();
    EXPECT_GE(names.size(), 8);

    w->close();
    EXPECT_FALSE(rig.program.signalMonitor.isOpen());
}

}  // namespace
}  // namespace kdtest
