// main() of every test program: GoogleTest, or the child role named on the command line.
#include "lxtest.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--lxtest-child") {
        auto& roles = lxtest::Children();
        auto it = roles.find(argv[2]);
        if (it == roles.end()) {
            std::fprintf(stderr, "no child role %s\n", argv[2]);
            return 125;
        }
        return it->second(argc - 3, argv + 3);
    }
    // Pattern bases that tests build learn the faces the tests draw (what the usual interface
    // names resolve to under either Wine) rather than every installed family: small and quick.
    if (GetEnvironmentVariableA("TEXTRACT_FONT_FAMILIES", nullptr, 0) == 0)
        SetEnvironmentVariableA("TEXTRACT_FONT_FAMILIES", lxtest::kTestFontFamilies);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
