#pragma once

#include "AppPaths.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// The whole program on a scratch data folder, on Wednesday 4 December 2024 at 10:00, with its agenda
// window shown and active.
class ProgramTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    QTemporaryDir dir;
    std::unique_ptr<CalvoraApp> shell;

    [[nodiscard]] QString databasePath() const { return dir.filePath("Dati/calvora.sqlite"); }
    [[nodiscard]] CalvoraView& agenda() const { return shell->agendaWindow(); }

    void SetUp() override
    {
        AppPaths::setOverrideDataFolder(dir.filePath("Dati"));
        shell = std::make_unique<CalvoraApp>();
        agenda().show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&agenda()));
    }

    void TearDown() override
    {
        shell.reset();
        AppPaths::setOverrideDataFolder(std::nullopt);
    }
};
