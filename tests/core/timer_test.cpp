// Model timers on the virtual clock, and the change handlers of model controls.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/controls.h"
#include "app/timer.h"

using namespace kd;

TEST(VirtualClock, TimersFireOnTheirPeriodAndStopWhenDisabledOrDetached) {
    VirtualClock clock;
    Timer fast("fast", 200, true), slow("slow", 1500, false);
    std::vector<std::string> fired;
    fast.onTimer = [&] { fired.push_back("fast"); };
    slow.onTimer = [&] { fired.push_back("slow"); slow.setEnabled(false); };
    fast.attach(&clock);
    slow.attach(&clock);
    clock.advance(199);
    EXPECT_TRUE(fired.empty());
    clock.advance(1);
    EXPECT_EQ(fired.size(), 1u);
    slow.setEnabled(true);
    clock.advance(1500);
    EXPECT_EQ(std::count(fired.begin(), fired.end(), "slow"), 1);
    EXPECT_EQ(std::count(fired.begin(), fired.end(), "fast"), 8);
    clock.advance(5000);
    EXPECT_EQ(std::count(fired.begin(), fired.end(), "slow"), 1);  // it switched itself off
    fast.attach(nullptr);
    const size_t n = fired.size();
    clock.advance(5000);
    EXPECT_EQ(fired.size(), n);
}

TEST(VirtualClock, EnablingARunningTimerKeepsItsPeriodButANewIntervalRestartsIt) {
    VirtualClock clock;
    Timer t("t", 1500, true);
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    t.attach(&clock);
    clock.advance(1000);
    t.setEnabled(true);
    clock.advance(500);
    EXPECT_EQ(ticks, 1);
    clock.advance(1000);
    t.setInterval(1500);
    clock.advance(1499);
    EXPECT_EQ(ticks, 1);
    clock.advance(1);
    EXPECT_EQ(ticks, 2);
}

TEST(Controls, ChangeHandlersFireOnlyOnRealChanges) {
    TextBox box("ModemParm(3)");
    int changes = 0;
    box.onChange = [&] { ++changes; };
    box.setText("30");
    box.setText("30");
    box.setText("");
    EXPECT_EQ(changes, 2);

    OptionButton a("a"), b("b");
    a.setGroup({&a, &b});
    b.setGroup({&a, &b});
    int clicksB = 0;
    b.onClick = [&] { ++clicksB; };
    a.setValue(true);
    b.setValue(true);
    b.setValue(true);
    EXPECT_FALSE(a.value());
    EXPECT_EQ(clicksB, 1);

    ComboBox list("NetworkName");
    for (const char* n : {"Vodacom", "MTN"}) list.addItem(n);
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.setListIndex(1);
    list.setListIndex(-1);  // clearing is not a selection
    list.setListIndex(5);   // out of range: ignored
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list.listIndex(), -1);

    Button disabled("b");
    int pressed = 0;
    disabled.onClick = [&] { ++pressed; };
    disabled.setEnabled(false);
    disabled.click();
    EXPECT_EQ(pressed, 0);
}
