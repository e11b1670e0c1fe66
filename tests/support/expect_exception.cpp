#include "support/expect_exception.h"

#include <gtest/gtest.h>

#include "platform/errors.h"

void ExpectExceptionMessage(const std::function<void()>& action, const std::string& message,
                            const std::string& label) {
    try {
        action();
        ADD_FAILURE() << "no exception for " << label;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), message) << label;
    }
}
