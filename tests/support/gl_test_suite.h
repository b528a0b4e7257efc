#pragma once
// A test suite whose tests share one 64 x 64 GL context, made once for the suite: each test starts
// by asserting that it is there (a missing display fails the test with the reason).

#include <gtest/gtest.h>

#include <memory>

#include "support/test_gl_context.h"

class GLTestSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        context_ = std::make_unique<platform::TestGLContext>();
        context_->create(64, 64);
    }
    static void TearDownTestSuite() { context_.reset(); }
    void SetUp() override { ASSERT_TRUE(context_->isReady()) << context_->error(); }

    static inline std::unique_ptr<platform::TestGLContext> context_;
};
