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

} // namespace
} // namespace pitkad
