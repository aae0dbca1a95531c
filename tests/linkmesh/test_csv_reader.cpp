// from_csv: the accepted dialect, and a clear error for every kind of bad file.
#include "linkmesh/linkmesh.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CsvFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("linkmesh_csv_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    fs::path dir_;
};

struct GoodFile {
    std::string name, bytes;
    std::vector<std::vector<float>> expected;
};

TEST_F(CsvFiles, AcceptedDialect) {
    const std::vector<std::vector<float>> two = {{0, 1}, {0.5f, 0}};
    const std::vector<GoodFile> cases = {
        {"plain", "0,1\n0.5,0\n", two},
        {"no final newline", "0,1\n0.5,0", two},
        {"CRLF line ends", "0,1\r\n0.5,0\r\n", two},
        {"spaces and tabs around values", " 0 ,\t1\n0.5\t, 0 \n", two},
        {"UTF-8 byte order mark",
         "\xEF\xBB\xBF"
         "0,1\n0.5,0\n",
         two},
        {"blank lines at the end", "0,1\n0.5,0\n\n  \n\r\n", two},
        {"exponents, plus sign and minus zero", "-0,1e0\n+5E-1,0.0\n", two},
        {"single value", "0.25\n", {{0.25f}}},
        {"diagonal kept as read", "1,0.3\n0.3,1\n", {{1, 0.3f}, {0.3f, 1}}},
        // Below single precision: 0, whether or not double could hold the value.
        {"tiny values become 0",
         "1e-50,1e-400\n0.0000000000000000000000000000000000000000000000000001e-350,1e-99999\n",
         {{0, 0}, {0, 0}}},
    };
    for (const GoodFile& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write("m.csv", c.bytes);
        const Eigen::MatrixXf W = linkmesh::from_csv(path);
        ASSERT_EQ(W.rows(), static_cast<Eigen::Index>(c.expected.size()));
        ASSERT_EQ(W.cols(), W.rows());
        for (size_t i = 0; i < c.expected.size(); ++i)
            for (size_t j = 0; j < c.expected.size(); ++j) {
                EXPECT_EQ(W(i, j), c.expected[i][j]) << i << "," << j;
                EXPECT_FALSE(std::signbit(W(i, j)));
            }
    }
}

// A viewer reading signed values gets 0 (not -0) for tiny negative ones.
TEST_F(CsvFiles, TinyNegativeValuesBecomeZeroWhenSignsAreAccepted) {
    const std::string path = write("m.csv", "-1e-50,-1e-400\n-0.5,0\n");
    const Eigen::MatrixXf W = linkmesh::from_csv(path, linkmesh::Weights::any_finite);
    EXPECT_EQ(W(0, 0), 0.0f);
    EXPECT_EQ(W(0, 1), 0.0f);
    EXPECT_FALSE(std::signbit(W(0, 0)) || std::signbit(W(0, 1)));
    EXPECT_EQ(W(1, 0), -0.5f);
}

TEST_F(CsvFiles, ReadsExactSinglePrecisionValues) {
    const std::string path = write("m.csv", "0,0.100000001\n3.40282347e+38,1.17549435e-38\n");
    const Eigen::MatrixXf W = linkmesh::from_csv(path);
    EXPECT_EQ(W(0, 1), 0.1f);
    EXPECT_EQ(W(1, 0), 3.40282347e+38f);
    EXPECT_EQ(W(1, 1), 1.17549435e-38f);
}

// A host application may switch the process to a locale with a decimal comma.
TEST_F(CsvFiles, DecimalPointWhateverTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            switched = true;
            break;
        }
    const std::string path = write("m.csv", "0,0.5\n0.25,0\n");
    Eigen::MatrixXf W;
    EXPECT_NO_THROW(W = linkmesh::from_csv(path));
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(W(0, 1), 0.5f);
    EXPECT_EQ(W(1, 0), 0.25f);
    if (!switched) GTEST_SKIP() << "no decimal-comma locale installed; read in the C locale only";
}

struct BadFile {
    std::string name, bytes, fragment;
};

TEST_F(CsvFiles, BadFilesThrowNamingTheFileAndTheProblem) {
    const std::vector<BadFile> cases = {
        {"empty", "", ": the file is empty"},
        {"only blank lines", "\n  \n\r\n", ": the file holds no values"},
        {"ragged", "0,1,2\n1,0\n2,1,0\n", ", line 2: the row has 2 values but the first row has 3"},
        {"longer row", "0,1\n1,0,5\n", ", line 2: the row has 3 values but the first row has 2"},
        {"non-numeric", "0,1\n1,abc\n", ", line 2, column 2: 'abc' is not a number"},
        {"header row", "a,b\n0,1\n1,0\n", ", line 1, column 1: 'a' is not a number"},
        {"number with trailing text", "0,1.5x\n1,0\n", ", line 1, column 2: '1.5x' is not a number"},
        {"semicolons", "0;1\n1;0\n", "not a number (values must be separated by commas, not semicolons)"},
        {"decimal comma", "0,0,5\n", ": the matrix is not square (1 rows, 3 columns)"},
        {"non-square", "0,1,2\n1,0,2\n", ": the matrix is not square (2 rows, 3 columns)"},
        {"NaN", "0,nan\n1,0\n", ", line 1, column 2: 'nan' is not a finite number"},
        {"infinity", "0,1\n-inf,0\n", ", line 2, column 1: '-inf' is not a finite number"},
        {"negative weight", "0,0.3\n-0.3,0\n", ", line 2, column 1: negative weight -0.3"},
        {"empty value", "0,,1\n1,0,1\n1,1,0\n", ", line 1, column 2: empty value"},
        {"trailing comma", "0,1,\n1,0,\n", ", line 1, column 3: empty value"},
        {"blank line inside", "0,1\n\n1,0\n", ", line 2: empty line before the last row of the matrix"},
        {"too large for float", "0,1e39\n1,0\n",
         ", line 1, column 2: '1e39' is too large for single precision"},
        {"just past the largest float", "0,3.4028236e38\n1,0\n",
         "'3.4028236e38' is too large for single precision"},
        {"beyond double", "0,1e999\n1,0\n", ", line 1, column 2: '1e999' is too large for single precision"},
        {"beyond double, many digits", "0,123456789e99999\n1,0\n",
         "'123456789e99999' is too large for single precision"},
        {"negative and tiny", "0,-1e-50\n1,0\n", ", line 1, column 2: negative weight -1e-50"},
        {"negative and beyond double's range", "0,-1e-400\n1,0\n",
         ", line 1, column 2: negative weight -1e-400"},
        {"spaces between values", "0 1\n1 0\n",
         ", line 1, column 1: '0 1' is not a number (values must be separated by commas, not spaces or tabs)"},
        {"tabs between values", "0\t1\n1\t0\n",
         ", line 1, column 1: '0\\t1' is not a number (values must be separated by commas, not spaces or tabs)"},
        // Old-style line ends: the whole file is one line; control bytes are shown escaped.
        {"CR-only line ends", "0,1\r1,0\r",
         ", line 1, column 2: '1\\r1' is not a number (lines must end in LF or CRLF, not in CR alone)"},
        {"NUL byte", std::string("0,1\0\n1,0\n", 10), ", line 1, column 2: '1\\0' is not a number"},
        {"other control byte", "0,1\x01\n1,0\n", ", line 1, column 2: '1\\x01' is not a number"},
        {"hexadecimal", "0,0x10\n1,0\n", ", line 1, column 2: '0x10' is not a number"},
    };
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write("bad.csv", c.bytes);
        try {
            linkmesh::from_csv(path);
            ADD_FAILURE() << "no exception";
        } catch (const linkmesh::Error& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(path, 0), 0u) << message;  // starts with the file name
            EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
            EXPECT_EQ(message.find_first_of(std::string("\r\n\t\0", 4)), std::string::npos) << message;
        }
    }
}

TEST_F(CsvFiles, UnopenableFilesThrowNamingTheFile) {
    const std::string missing = (dir_ / "missing.csv").string();
    const std::string folder = (dir_ / "folder.csv").string();
    fs::create_directories(folder);
    for (const auto& [path, fragment] : std::vector<std::pair<std::string, std::string>>{
             {missing, ": cannot open the file (No such file or directory)"},
             {folder, ": cannot read the file (Is a directory)"}}) {
        SCOPED_TRACE(path);
        try {
            linkmesh::from_csv(path);
            ADD_FAILURE() << "no exception";
        } catch (const linkmesh::Error& e) {
            EXPECT_EQ(std::string(e.what()), path + fragment);
        }
    }
}

}  // namespace
