/* The binary structure of every built module, read with readelf: what it
 * exports and at which version, what it needs and in which order, and how
 * it binds the host's large-array entries. */
#include "support.h"

#include <cstdio>
#include <regex>
#include <sstream>

namespace {

std::string run(const std::string &command)
{
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    pclose(pipe);
    return output;
}

std::vector<std::string> matches(const std::string &text, const std::string &pattern)
{
    std::vector<std::string> found;
    std::regex expression(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), expression), end; it != end; ++it)
        found.push_back((*it)[1]);
    return found;
}

std::vector<std::string> tools()
{
    std::vector<std::string> list;
    std::stringstream names(LOWRANK_TOOLS);
    for (std::string name; std::getline(names, name, ',');)
        list.push_back(name);
    return list;
}

class ModuleExports : public ::testing::TestWithParam<std::string> {
protected:
    std::string file = GetParam() + "." + LOWRANK_EXTENSION;
    std::string path = modulePath(GetParam());
};

}  // namespace

TEST_P(ModuleExports, ExportsEntryAndVersionAtMexOnly)
{
    const std::string symbols = run("readelf -W --dyn-syms " + path);
    /* defined symbols: a section index other than UND */
    std::vector<std::string> defined = matches(symbols, R"(\s+(?:FUNC|OBJECT|NOTYPE)\s+GLOBAL\s+DEFAULT\s+\d+\s+(\S+))");
    std::sort(defined.begin(), defined.end());
    EXPECT_EQ(defined, (std::vector<std::string>{"mexFunction@@MEX", "mexVersion@@MEX"}));
}

TEST_P(ModuleExports, VersionDefinitionsNameTheFileAndMex)
{
    const std::string versions = run("readelf -W -V " + path);
    EXPECT_EQ(matches(versions, R"(Flags: BASE\s+Index: 1\s+Cnt: 1\s+Name: (\S+))"), std::vector<std::string>{file});
    EXPECT_EQ(matches(versions, R"(Flags: none\s+Index: 2\s+Cnt: 1\s+Name: (\S+))"), std::vector<std::string>{"MEX"});
}

TEST_P(ModuleExports, NeedsTheHostLibrariesInOrderAndHasNoSoname)
{
    const std::string dynamic = run("readelf -W -d " + path);
    EXPECT_EQ(matches(dynamic, R"(\(NEEDED\)\s+Shared library: \[(\S+)\])"),
              (std::vector<std::string>{"libmwlapack.so", "libmwblas.so", "libmx.so", "libmex.so", "libmat.so",
                                        "libm.so.6", "libstdc++.so.6", "libpthread.so.0", "libc.so.6"}));
    EXPECT_EQ(dynamic.find("(SONAME)"), std::string::npos);
    EXPECT_EQ(dynamic.find("(RPATH)"), std::string::npos);
    EXPECT_EQ(dynamic.find("(RUNPATH)"), std::string::npos);
}

TEST_P(ModuleExports, BindsLargeArrayEntriesAtV73)
{
    const std::string symbols = run("readelf -W --dyn-syms " + path);
    for (const std::string &entry : matches(symbols, R"(\s+UND\s+(mx\S+))")) {
        const bool largeArray = std::regex_match(entry, std::regex(R"(mx(CreateDoubleMatrix|CreateSparse|GetIr|GetJc)(@.*)?)"));
        if (largeArray)
            EXPECT_TRUE(entry.size() > 5 && entry.substr(entry.find('@')) == "@v7.3") << entry;
        else
            EXPECT_EQ(entry.find('@'), std::string::npos) << entry;
    }
}

TEST_P(ModuleExports, VersionTagIsR14Native)
{
    harness::Module module(path);
    ASSERT_NE(module.version(), nullptr);
    EXPECT_STREQ(module.version(), "MATLAB R14 native");
}

INSTANTIATE_TEST_SUITE_P(, ModuleExports, ::testing::ValuesIn(tools()),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });
