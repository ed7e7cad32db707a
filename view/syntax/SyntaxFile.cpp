#include "view/syntax/LexerStorage.h"

#include "base/AppContext.h"
#include "base/Error.h"

#include <cwchar>

void ReadSyntaxFile(LexerStorage& storage, const wchar_t* fileName)
{
    String path;
    try {
        String name(L"syntax\\");
        name.Append(fileName, static_cast<int64>(wcslen(fileName)));
        path = GetDataFilePath(AppContext::Current(), name.CStr());
    } catch (const Error&) {
        return;
    }
    ReadSyntaxFileAt(storage, path);
}
