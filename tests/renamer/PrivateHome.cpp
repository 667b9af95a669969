// Every renamer test binary runs in a home of its own: nothing reaches the real journal folder,
// also from a test that forgets to make its own.
#include <gtest/gtest.h>

#include "TempFolder.h"

namespace {

class PrivateHome : public ::testing::Environment {
  public:
    void SetUp() override { home_ = std::make_unique<renamer_test::StateHome>(); }
    void TearDown() override { home_.reset(); }

  private:
    std::unique_ptr<renamer_test::StateHome> home_;
};

::testing::Environment* const kPrivateHome = ::testing::AddGlobalTestEnvironment(new PrivateHome);

}  // namespace
