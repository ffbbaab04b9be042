/* Hostile input: every call that a tool's contract leaves open (missing
 * arguments, wrong classes, empty arrays where an element is read, indices
 * out of range, inconsistent patterns, sizes beyond the target's integers)
 * ends with the tool's message, on every target where the tool is built,
 * and the host sees no contract break. */
#include "support.h"

#include <functional>
#include <limits>
#include <sstream>

using harness::Array;

namespace {

const double inf = std::numeric_limits<double>::infinity();
const HostSize beyond31 = HostSize(1) << 31;

struct Hostile {
    const char *tool;
    const char *what;
    int nlhs;
    std::function<std::vector<Array>()> arguments;
    const char *message;
};

void PrintTo(const Hostile &c, std::ostream *out) { *out << c.tool << ": " << c.what; }

std::vector<Array> list(Array a) { std::vector<Array> v; v.push_back(std::move(a)); return v; }
template <typename... More>
std::vector<Array> list(Array a, More... more)
{
    std::vector<Array> v = list(std::move(more)...);
    v.insert(v.begin(), std::move(a));
    return v;
}

Array d(std::vector<double> values) { return harness::column(values); }
Array s(double value) { return harness::scalar(value); }
Array none() { return harness::dense(0, 0); }
Array ofClass(mxClassID classId, HostSize m = 3, HostSize n = 1) { return harness::ofClass(classId, m, n); }
Array sparseColumn() { return harness::sparse(3, 1, {0, 3}, {0, 1, 2}, {1, 3, 2}); }
Array U() { return harness::dense(3, 2, {1, 3, 5, 2, 4, 6}); }
Array V() { return harness::dense(2, 2, {1, 0, 0, 1}); }
Array Q() { return harness::dense(3, 2, {1, 0, 0, 0, 1, 0}); }

const Hostile cases[] = {
    {"dorvik", "no argument", 1, [] { return std::vector<Array>(); }, "dorvik: requires at least 1 input argument."},
    {"dorvik", "int8 A", 1, [] { return list(ofClass(mxINT8_CLASS)); }, "dorvik: A must be a double matrix."},
    {"dorvik", "char A", 4, [] { return list(ofClass(mxCHAR_CLASS, 2, 5)); }, "dorvik: A must be a double matrix."},
    {"dorvik", "empty size choice", 3, [] { return list(V(), none()); }, "dorvik: size choice must be a nonempty double."},
    {"dorvik", "logical size choice", 3, [] { return list(V(), ofClass(mxLOGICAL_CLASS, 1, 1)); },
     "dorvik: size choice must be a nonempty double."},
    {"dorvik", "A beyond the LAPACK integer", 4,
     [] { return list(harness::phantom(HostSize(1) << (LOWRANK_LAPACK_BITS / 2 + 1), HostSize(1) << (LOWRANK_LAPACK_BITS / 2 + 1))); },
     "dorvik: matrix is too large."},
    {"halmet", "no argument", 1, [] { return std::vector<Array>(); }, "halmet: requires 1 input argument."},
    {"halmet", "single A", 2, [] { return list(ofClass(mxSINGLE_CLASS, 3, 3)); }, "halmet: A must be a double matrix."},
    {"halmet", "A beyond the LAPACK integer", 1,
     [] { return list(harness::phantom(HostSize(1) << (LOWRANK_LAPACK_BITS / 2), HostSize(1) << (LOWRANK_LAPACK_BITS / 2))); },
     "halmet: matrix is too large."},
    {"sunwick", "int32 U", 1, [] { return list(ofClass(mxINT32_CLASS, 3, 2), V(), d({1}), d({0, 1})); },
     "Tessmark: U and V must be double"},
    {"sunwick", "sparse I", 1, [] { return list(U(), V(), sparseColumn(), d({0, 3})); },
     "Tessmark: I and Jcol must be dense double vectors"},
    {"sunwick", "Jcol of 0 by 3", 1, [] { return list(U(), V(), d({1}), harness::dense(0, 3)); },
     "Tessmark: I and Jcol must be dense double vectors"},
    {"sunwick", "row index 0", 1, [] { return list(U(), V(), d({0}), d({0, 1})); }, "Tessmark: row index out of range"},
    {"sunwick", "row index NaN", 1, [] { return list(U(), V(), d({notANumber}), d({0, 1})); },
     "Tessmark: row index out of range"},
    {"sunwick", "row index past m", 1, [] { return list(U(), V(), d({4}), d({0, 1})); }, "Tessmark: row index out of range"},
    {"sunwick", "row index 0.5 with no rows", 1, [] { return list(harness::dense(0, 2), V(), d({0.5}), d({0, 1})); },
     "Tessmark: row index out of range"},
    {"sunwick", "pointer past nnz", 1, [] { return list(U(), V(), d({1}), d({0, 2})); },
     "Tessmark: column pointer out of range"},
    {"sunwick", "negative pointer", 1, [] { return list(U(), V(), d({1}), d({-1, 1})); },
     "Tessmark: column pointer out of range"},
    {"sunwick", "pointer Inf", 1, [] { return list(U(), V(), d({1}), d({0, inf})); }, "Tessmark: column pointer out of range"},
    {"sunwick", "more columns than rows of V", 1, [] { return list(U(), V(), d({1}), d({0, 1, 1, 1})); },
     "Tessmark: more pattern columns than rows of V"},
    {"sunwick", "U of 2^31 rows", 1, [] { return list(harness::phantom(beyond31, 2), V(), d({1}), d({0, 1})); },
     "Tessmark: dimensions too large"},
    {"talvery", "empty nrows", 1, [] { return list(none(), s(2), d({1}), d({1}), d({0, 1, 1})); },
     "talvery: nrows and ncols must be counts from 0 to 2^31-1"},
    {"talvery", "NaN ncols", 1, [] { return list(s(3), s(notANumber), d({1}), d({1}), d({0, 1, 1})); },
     "talvery: nrows and ncols must be counts from 0 to 2^31-1"},
    {"talvery", "negative nrows", 1, [] { return list(s(-1), s(2), d({1}), d({1}), d({0, 1, 1})); },
     "talvery: nrows and ncols must be counts from 0 to 2^31-1"},
    {"talvery", "nrows 2^31", 1, [] { return list(s(2147483648.0), s(2), d({1}), d({1}), d({0, 1, 1})); },
     "talvery: nrows and ncols must be counts from 0 to 2^31-1"},
    {"talvery", "single V", 1, [] { return list(s(3), s(1), ofClass(mxSINGLE_CLASS, 1, 1), d({1}), d({0, 1})); },
     "talvery: V, I and Jcol must be dense double arrays"},
    {"talvery", "sparse I", 1, [] { return list(s(3), s(1), d({1, 2, 3}), sparseColumn(), d({0, 3})); },
     "talvery: V, I and Jcol must be dense double arrays"},
    {"talvery", "V of 3 by 0", 1, [] { return list(s(3), s(1), harness::dense(3, 0), d({1, 2, 3}), d({0, 3})); },
     "talvery: V, I or Jcol has no elements"},
    {"talvery", "Jcol of 0 by 3", 1, [] { return list(s(3), s(2), d({1}), d({1}), harness::dense(0, 3)); },
     "talvery: V, I or Jcol has no elements"},
    {"talvery", "row index 0", 1, [] { return list(s(3), s(1), d({1}), d({0}), d({0, 1})); }, "talvery: row index out of range"},
    {"talvery", "row index past nrows", 1, [] { return list(s(3), s(1), d({1}), d({4}), d({0, 1})); },
     "talvery: row index out of range"},
    {"talvery", "offsets that decrease", 1, [] { return list(s(3), s(2), d({1, 2}), d({1, 2}), d({0, 2, 1})); },
     "talvery: column offsets must rise from 0 to the number of entries"},
    {"talvery", "last offset short of k", 1, [] { return list(s(3), s(1), d({1, 2}), d({1, 2}), d({0, 1})); },
     "talvery: column offsets must rise from 0 to the number of entries"},
    {"talvery", "a row twice in a column", 1, [] { return list(s(3), s(1), d({1, 2}), d({2, 2}), d({0, 2})); },
     "talvery: row indices must increase within each column"},
    {"quorvel", "index 0", 1, [] { return list(Q(), d({3, 4, 5}), s(1), d({0})); }, "quorvel: index out of range."},
    {"quorvel", "index past k", 1, [] { return list(Q(), d({3, 4, 5}), s(1), d({3})); }, "quorvel: index out of range."},
    {"quorvel", "index NaN", 1, [] { return list(Q(), d({3, 4, 5}), s(1), d({notANumber})); }, "quorvel: index out of range."},
    {"quorvel", "index 0.5 with no columns", 1, [] { return list(harness::dense(3, 0), d({3, 4, 5}), s(1), d({0.5})); },
     "quorvel: index out of range."},
    {"quorvel", "empty refNorm", 1, [] { return list(Q(), d({3, 4, 5}), none()); },
     "quorvel: refNorm and ratio must be nonempty doubles."},
    {"quorvel", "empty ratio", 1, [] { return list(Q(), d({3, 4, 5}), s(1), d({1}), none()); },
     "quorvel: refNorm and ratio must be nonempty doubles."},
    {"quorvel", "sparse index", 1, [] { return list(Q(), d({3, 4, 5}), s(1), sparseColumn()); },
     "quorvel: index must be a dense double vector."},
    {"quorvel", "int8 index", 1, [] { return list(Q(), d({3, 4, 5}), s(1), ofClass(mxINT8_CLASS, 1, 1)); },
     "quorvel: index must be a dense double vector."},
    {"quorvel", "single Q", 1, [] { return list(ofClass(mxSINGLE_CLASS, 3, 2), d({3, 4, 5})); },
     "quorvel: Q and R must be double."},
    {"quorvel", "four results", 4, [] { return list(Q(), d({3, 4, 5})); }, "quorvel: requires at most 3 output arguments."},
};

bool built(const std::string &tool)
{
    std::stringstream names(LOWRANK_TOOLS);
    for (std::string name; std::getline(names, name, ',');)
        if (name == tool)
            return true;
    return false;
}

/* The cases of the tools this target builds. */
std::vector<Hostile> casesForThisTarget()
{
    std::vector<Hostile> kept;
    for (const Hostile &c : cases)
        if (built(c.tool))
            kept.push_back(c);
    return kept;
}

class HostileInput : public ::testing::TestWithParam<Hostile> {};

}  // namespace

TEST_P(HostileInput, EndsWithTheToolsMessage)
{
    const Hostile &c = GetParam();
    harness::Module module(modulePath(c.tool));
    std::vector<Array> arguments = c.arguments();
    std::vector<const mxArray *> handles;
    for (const Array &argument : arguments)
        handles.push_back(argument.get());
    harness::Outcome out = module.call(c.nlhs, handles);
    EXPECT_TRUE(out.failed);
    EXPECT_EQ(out.message, c.message);
    for (const Array &result : out.results)
        EXPECT_EQ(result, nullptr);
}

INSTANTIATE_TEST_SUITE_P(, HostileInput, ::testing::ValuesIn(casesForThisTarget()),
                         [](const ::testing::TestParamInfo<Hostile> &info) {
                             std::string name = std::string(info.param.tool) + "_" + info.param.what;
                             for (char &c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });
