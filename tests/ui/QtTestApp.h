#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

// Widgets need an application object for the whole run of a test program.
class QtTestApp : public testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "corralix_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline testing::Environment* const QtTestAppEnvironment =
    testing::AddGlobalTestEnvironment(new QtTestApp);
