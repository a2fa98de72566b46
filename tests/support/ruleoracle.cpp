// The client's own check of a server's rules, compiled from the game's source beside the project
// (tests/CMakeLists.txt takes CG_ProcessCvars out of ET: Legacy's cg_view.c into the build folder),
// with stand-ins for the engine calls it makes. Nothing of the game's is kept in the project.
#include "support/ruleoracle.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum qboolean { qfalse, qtrue };
#define Q_atof(str) strtof(str, NULL)
#define Q_atoi(str) (int)strtol(str, NULL, 10)

int Q_stricmp(const char *s1, const char *s2)
{
    for (;; ++s1, ++s2) {
        int c1 = *s1, c2 = *s2;
        if (c1 >= 'a' && c1 <= 'z')
            c1 -= 'a' - 'A';
        if (c2 >= 'a' && c2 <= 'z')
            c2 -= 'a' - 'A';
        if (c1 != c2)
            return c1 < c2 ? -1 : 1;
        if (!c1)
            return 0;
    }
}

char *va(const char *format, ...)
{
    static char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

void copyBounded(char *to, const char *from, std::size_t size)
{
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

struct svCvar_t {
    char cvarName[256];
    int mode;
    char Val1[256];
    char Val2[256];
};
struct {
    svCvar_t svCvars[1];
    int svCvarCount;
} cg;

const char *currentValue = "";
bool wasSet = false;
char setValue[1024];

void trap_Cvar_VariableStringBuffer(const char *, char *buffer, int size)
{
    copyBounded(buffer, currentValue, std::size_t(size));
}

void trap_Cvar_Set(const char *, const char *value)
{
    wasSet = true;
    copyBounded(setValue, value, sizeof setValue);
}

#include BRACKWELL_RULE_MODES
#include BRACKWELL_RULE_CHECK

} // namespace

namespace brackwell::testing {

std::optional<QByteArray> gameRuleFrame(int mode, const QByteArray &value1, const QByteArray &value2,
                                        const QByteArray &current)
{
    cg.svCvarCount = 1;
    cg.svCvars[0].mode = mode;
    copyBounded(cg.svCvars[0].cvarName, "x", sizeof cg.svCvars[0].cvarName);
    copyBounded(cg.svCvars[0].Val1, value1.constData(), sizeof cg.svCvars[0].Val1);
    copyBounded(cg.svCvars[0].Val2, value2.constData(), sizeof cg.svCvars[0].Val2);
    currentValue = current.constData();
    wasSet = false;
    CG_ProcessCvars();
    return wasSet ? std::optional<QByteArray>(QByteArray(setValue)) : std::nullopt;
}

} // namespace brackwell::testing
