#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <windows.h>

#include <string>
#include <vector>

// doctest takes narrow arguments; test names and filters are ASCII.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; i++) {
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? n - 1 : 0, '\0');
        if (n > 1)
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &s[0], n, nullptr, nullptr);
        args.push_back(s);
    }
    std::vector<const char*> ptrs;
    for (auto& s : args)
        ptrs.push_back(s.c_str());
    doctest::Context context(static_cast<int>(ptrs.size()), ptrs.data());
    return context.run();
}
