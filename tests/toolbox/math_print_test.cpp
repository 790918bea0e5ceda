// Math printers and the identity quaternion.
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include "capture.h"
#include "vek/math_print.h"

namespace {

void ensure_math_printers() {
    static bool registered = false;
    if (!registered) {
        ensure_printer();
        register_math_printers();
        registered = true;
    }
}

std::string printed(const char* format, const void* argument) {
    ensure_math_printers();
    return capture_print([&] { print(format, argument); });
}

TEST(MathPrint, VectorsAndQuaternions) {
    glm::vec3 v(1, 2, 3);
    EXPECT_EQ(printed("%{->vec3}", &v), "v3{1.000000, 2.000000, 3.000000}");
    EXPECT_EQ(printed("%{->quat}", &identity_quat), "quat{0.000000, 0.000000, 0.000000, 1.000000}");
    // Storage order is w, x, y, z.
    EXPECT_EQ(((const float*)&identity_quat)[0], 1.0f);
    glm::quat q(0.5f, 0.1f, 0.2f, 0.3f);
    EXPECT_EQ(printed("%{->quat}", &q), "quat{0.100000, 0.200000, 0.300000, 0.500000}");
    EXPECT_EQ(printed("%{->vec3}", nullptr), "v3{nullptr}");
    EXPECT_EQ(printed("%{->quat}", nullptr), "quat{nullptr}");
    EXPECT_EQ(printed("%{->mat3}", nullptr), "mat3{nullptr}");
    EXPECT_EQ(printed("%{->mat4}", nullptr), "mat4{nullptr}");
}

TEST(MathPrint, MatricesRowsAndColumns) {
    glm::mat4 t = glm::translate(glm::mat4(1.0f), glm::vec3(2, -0.5f, 3));
    EXPECT_EQ(printed("%{->mat4}", &t),
              "mat4 {\n    +1.00, +0.00, +0.00, +2.00\n    +0.00, +1.00, +0.00, -0.50\n"
              "    +0.00, +0.00, +1.00, +3.00\n    +0.00, +0.00, +0.00, +1.00\n}");
    glm::mat3 m(1, 2, 3, 4, 5, 6, 7, 8, 9);   // columns (1,2,3), (4,5,6), (7,8,9)
    EXPECT_EQ(printed("%{->mat3}", &m),
              "mat3 {\n    +1.00, +2.00, +3.00\n    +4.00, +5.00, +6.00\n    +7.00, +8.00, +9.00\n}");
}

TEST(MathPrint, Side) {
    ensure_math_printers();
    EXPECT_EQ(capture_print([] { print("%{Side} %{Side} %{Side} %{Side} %{Side}", 0, 1, 2, 3, 4); }),
              "red green blue none ??");
    EXPECT_EQ(capture_print([] { print("%{Side}", 0x102); }), "blue");   // only the low byte counts
}

}  // namespace
