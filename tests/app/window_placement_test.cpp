#include "app/window_placement.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

TEST(WindowPlacement, FitsTheStoredPlaceToTheScreens) {
    const QList<QRect> two{{0, 0, 1280, 1000}, {1280, 0, 1920, 1080}};
    const struct Case {
        const char* what;
        QRect frame;
        QList<QRect> screens;
        QRect fitted;
    } cases[] = {
        {"inside stays", {100, 50, 804, 700}, two, {100, 50, 804, 700}},
        {"on the second screen", {1500, 10, 804, 700}, two, {1500, 10, 804, 700}},
        {"across the edge: the screen it overlaps most",
         {1000, 0, 804, 700},
         two,
         {1280, 0, 804, 700}},
        {"off the right edge comes back", {3000, 500, 804, 700}, two, {2396, 380, 804, 700}},
        {"on no screen: to the origin", {32767, 32767, 804, 700}, two, {0, 0, 804, 700}},
        {"wider than the screen is narrowed", {32767, 32767, 32767, 700}, two, {0, 0, 1280, 700}},
        {"left of every screen", {-5000, -5000, 804, 700}, two, {0, 0, 804, 700}},
        {"taller than the screen goes to its top", {10, 300, 804, 1200}, two, {10, 0, 804, 1200}},
        {"no screen known: as stored", {-20, -20, 804, 700}, {}, {-20, -20, 804, 700}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fit_to_screens(c.frame, c.screens), c.fitted) << c.what;
}

// The tool window goes right of the main window, else left, else below,
// else above; where none has room, to the roomier side on the screen, over
// the graph's top.
TEST(WindowPlacement, ToolWindowBesideTheMainWindow) {
    const QRect screen{0, 0, 1920, 1080};
    const QSize tools{300, 200};
    const struct Case {
        const char* what;
        QRect main;
        QPoint place;
    } cases[] = {
        {"right", {100, 50, 804, 700}, {904, 50}},
        {"right, exactly", {0, 50, 1620, 700}, {1620, 50}},
        {"left", {400, 50, 1300, 700}, {100, 50}},
        {"left, low main window kept on the screen", {400, 950, 1300, 700}, {100, 880}},
        {"below", {100, 100, 1820, 700}, {100, 800}},
        {"above", {100, 300, 1820, 780}, {100, 100}},
        {"nowhere: the roomier right side", {40, 0, 1820, 1080}, {1620, 30}},
        {"nowhere: the roomier left side", {60, 0, 1860, 1080}, {0, 30}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(place_beside(c.main, tools, screen), c.place) << c.what;
    const QList<QRect> two{{0, 0, 1280, 1000}, {1280, 0, 1920, 1080}};
    EXPECT_EQ(screen_area_of({1200, 0, 804, 700}, two), two[1]);
    EXPECT_EQ(screen_area_of({-5000, 0, 804, 700}, two), two[0]);
}

} // namespace
} // namespace pitkad
