#include "BrokerTestSupport.h"

#include "support/TempFolder.h"

#include <doctest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Offered;
std::wstring Choice;
TextDocument* SelectChoice = nullptr;
int32 SelectResult = 1;

int32 RecentStub(Form*, const Array<String>& paths, const DocumentList&, Array<String>& chosen)
{
    Offered.clear();
    for (int64 i = 0; i < paths.Count(); i++)
        Offered.push_back(paths.At(i).CStr());
    chosen.Reset();
    if (!Choice.empty())
        chosen.Insert(0, String(Choice.c_str()));
    return Choice.empty() ? 2 : 1;
}

int32 SelectStub(Form*, const DocumentList&, TextDocument*, TextDocument*& chosen)
{
    chosen = SelectChoice;
    return SelectResult;
}

void WriteFile(const String& path, const char* bytes)
{
    FILE* f = _wfopen(path.CStr(), L"wb");
    REQUIRE(f != nullptr);
    std::fputs(bytes, f);
    std::fclose(f);
}

}  // namespace

TEST_CASE("recent texts offers the history newest first and opens the chosen file")
{
    BrokerBench bench;
    TempFolder folder;
    String a = folder / L"a.txt";
    String b = folder / L"b.txt";
    WriteFile(a, "first");
    WriteFile(b, "second");
    bench.broker->recentFiles.Add(a, 0);
    bench.broker->recentFiles.Add(b, 0);
    bench.broker->recentTextsDialog = RecentStub;
    bench.NewText();
    Choice = a.CStr();
    bench.Run(ActionRecentTexts);
    REQUIRE(Offered.size() == 2);
    CHECK(Offered[0] == b.CStr());
    CHECK(Offered[1] == a.CStr());
    TextDocument* current = bench.views[0]->CurrentDocument();
    REQUIRE(current != nullptr);
    CHECK(current->GetPath().Equals(a.CStr()));
    int32 count = bench.broker->documents.Count();
    Choice.clear();
    bench.Run(ActionRecentTexts);
    CHECK(bench.broker->documents.Count() == count);
}

TEST_CASE("select loaded text activates the chosen text only on OK")
{
    BrokerBench bench;
    TextDocument* first = bench.NewText();
    TextDocument* second = bench.NewText();
    REQUIRE(bench.views[0]->CurrentDocument() == second);
    bench.broker->selectTextDialog = SelectStub;
    SelectChoice = first;
    SelectResult = 2;
    bench.Run(ActionSelectLoadedText);
    CHECK(bench.views[0]->CurrentDocument() == second);
    SelectResult = 1;
    bench.Run(ActionSelectLoadedText);
    CHECK(bench.views[0]->CurrentDocument() == first);
}
