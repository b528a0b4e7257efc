// The Exec= value and the /bin/sh word, each read back by the real reader: GLib's key file (the
// string escapes) and its shell parser (the quoting, as GLib's desktop entries launch programs),
// and /bin/sh itself.

#include "settings/command_quoting.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

const std::vector<std::string> kOddArguments = {
    "/opt/my saver/glimmerdale",
    "/opt/it's \"here\"/glimmerdale",
    "/opt/$HOME/`id`/%s %%/glimmerdale",
    "/opt/back\\slash\\n\\\\/x",
    "/opt/glühwein ☃/glimmerdale",
    "/opt/;&|<>*?#()~=/glimmerdale",
    "--config-dir",
    "",
    "plain-word_1.2",
};

// What a desktop launching the entry runs: the key file's string value, field codes expanded
// ("%%" is a "%"), split by GLib's shell parser.
std::vector<std::string> launchedArguments(const std::string& exec) {
    const std::string entry = "[Desktop Entry]\nExec=" + exec + "\n";
    GKeyFile* file = g_key_file_new();
    std::vector<std::string> arguments;
    if (g_key_file_load_from_data(file, entry.data(), entry.size(), G_KEY_FILE_NONE, nullptr)) {
        gchar* value = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
        std::string expanded;
        for (const char* c = value; c && *c; ++c) {
            expanded += *c;
            if (*c == '%' && c[1] == '%') ++c;
        }
        g_free(value);
        gchar** argv = nullptr;
        if (g_shell_parse_argv(expanded.c_str(), nullptr, &argv, nullptr))
            for (gchar** argument = argv; *argument; ++argument) arguments.push_back(*argument);
        g_strfreev(argv);
    }
    g_key_file_free(file);
    return arguments;
}

std::string printedByShell(const std::string& word) {
    std::string script = "printf '%s' " + word;
    std::string quoted = "'";
    for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    std::unique_ptr<FILE, int (*)(FILE*)> shell(popen(("/bin/sh -c " + quoted + "'").c_str(), "r"), &pclose);
    std::string printed;
    char buffer[256];
    while (shell && std::fgets(buffer, sizeof buffer, shell.get())) printed += buffer;
    return printed;
}

TEST(CommandQuoting, EveryArgumentComesBackWholeFromTheDesktopEntryAndTheShell) {
    for (const std::string& argument : kOddArguments) {
        SCOPED_TRACE(argument);
        const std::vector<std::string> arguments = {"/usr/bin/first", argument, "--idle-launcher"};
        const std::string exec = desktopEntryExec(arguments);
        EXPECT_EQ(exec.find('\n'), std::string::npos);
        EXPECT_EQ(launchedArguments(exec), arguments) << exec;
        if (argument.empty()) continue;
        const std::string word = shellQuoted(argument);
        EXPECT_EQ(printedByShell(word), argument) << word;
        std::string back;
        std::size_t end = 0;
        ASSERT_TRUE(firstShellWord(word + " --root", back, end));
        EXPECT_EQ(back, argument);
        EXPECT_EQ(word.size(), end);
    }
    // Plain paths stay as they are, in both.
    EXPECT_EQ(shellQuoted("/usr/libexec/xscreensaver/glimmerdale"), "/usr/libexec/xscreensaver/glimmerdale");
    EXPECT_EQ(desktopEntryExec({"/usr/bin/glimmerdale", "--idle-launcher"}),
              "/usr/bin/glimmerdale --idle-launcher");
}

TEST(CommandQuoting, FirstWordsReadAsTheShellReadsThem) {
    const struct {
        const char* command;
        bool read;
        const char* word;
    } commands[] = {
        {"  glimmerdale --root", true, "glimmerdale"},
        {"/a\\ b/glimmerdale", true, "/a b/glimmerdale"},
        {"\"/a \\\"b\\\" \\$c\"/glimmerdale -x", true, "/a \"b\" $c/glimmerdale"},
        {"'/a'\"/b\"c", true, "/a/bc"},
        {"'/unclosed", false, ""},
        {"\"/unclosed", false, ""},
        {"   ", false, ""},
    };
    for (const auto& command : commands) {
        std::string word;
        std::size_t end = 0;
        EXPECT_EQ(firstShellWord(command.command, word, end), command.read) << command.command;
        if (command.read) {
            EXPECT_EQ(word, command.word) << command.command;
        }
    }
    EXPECT_TRUE(hasControlCharacters("/a\nb"));
    EXPECT_TRUE(hasControlCharacters("/a\tb"));
    EXPECT_FALSE(hasControlCharacters("/glühwein ☃/$x"));
}

}  // namespace
