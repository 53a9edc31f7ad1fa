#pragma once

// The three printed layouts of the agenda.
enum class PrintLayout {
    WeekOnePage,  // Monday to Friday on one A4 landscape page
    WeekTwoPages, // Monday–Wednesday on the front, Thursday–Friday on the back
    Day,          // the day on show
};
