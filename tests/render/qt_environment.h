#pragma once
// One offscreen Qt application for every test of the binary: fonts and
// painting need it, a display is not needed.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

namespace {

class OffscreenQt : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "render_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace
