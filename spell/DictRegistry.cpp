#include "spell/DictRegistry.h"

#include "base/Error.h"

#include <new>

namespace {

bool SameNameAsciiCase(const wchar_t* a, const wchar_t* b)
{
    for (;; a++, b++) {
        wchar_t x = (*a >= L'A' && *a <= L'Z') ? static_cast<wchar_t>(*a + 32) : *a;
        wchar_t y = (*b >= L'A' && *b <= L'Z') ? static_cast<wchar_t>(*b + 32) : *b;
        if (x != y)
            return false;
        if (x == 0)
            return true;
    }
}

}  // namespace

DictRegistry::DictRegistry() : foldersKnown_(false) {}

DictRegistry::DictRegistry(const DictFolders& folders) : foldersKnown_(true), folders_(folders) {}

DictRegistry::~DictRegistry()
{
    Clear();
}

void DictRegistry::Clear() noexcept
{
    primary_ = nullptr;
    secondary_ = nullptr;
    for (auto& d : dicts_)
        d.reset();
    dicts_.clear();
}

CorrectorDict* DictRegistry::ById(u32 pair) const noexcept
{
    int32 id = PrimaryDictId(pair);
    if (id == 0 || id > Count())
        return nullptr;
    return dicts_[static_cast<size_t>(id - 1)].get();
}

CorrectorDict* DictRegistry::FindByName(const wchar_t* name) const noexcept
{
    for (const auto& d : dicts_)
        if (SameNameAsciiCase(d->Name().CStr(), name ? name : L""))
            return d.get();
    return nullptr;
}

CorrectorDict* DictRegistry::LoadOne(const String& name)
{
    if (CorrectorDict* found = FindByName(name.CStr()))
        return found;
    if (!foldersKnown_) {
        folders_ = DictFolders::OfApplication();
        foldersKnown_ = true;
    }
    std::unique_ptr<CorrectorDict> dict(new (std::nothrow) CorrectorDict());
    if (!dict)
        throw MemoryError();
    dict->Load(name, folders_);
    dict->LoadUserWords();
    try {
        dicts_.reserve(dicts_.size() + 1);
    } catch (...) {
        throw MemoryError();
    }
    dict->SetId(static_cast<u32>(dicts_.size() + 1));
    dicts_.push_back(std::move(dict));
    return dicts_.back().get();
}

u32 DictRegistry::FindOrLoad(const String& text)
{
    const wchar_t* s = text.CStr();
    int64 cr = -1;
    for (int64 i = 0; i < text.Length(); i++) {
        if (s[i] == L'\r') {
            cr = i;
            break;
        }
    }
    if (cr < 0) {
        CorrectorDict* d = LoadOne(text);
        primary_ = d;
        return d->Id();
    }
    // Both are loaded before the selection changes, so a second name that
    // fails leaves the previous selection in place.
    CorrectorDict* first = LoadOne(text.Substring(0, cr));
    CorrectorDict* second = LoadOne(text.Substring(cr + 1, text.Length() - cr - 1));
    primary_ = first;
    secondary_ = second;
    return PackDictPair(static_cast<int32>(first->Id()), static_cast<int32>(second->Id()));
}

void DictRegistry::Select(u32 pair) noexcept
{
    CorrectorDict* p = ById(pair);
    if (!p)
        return;
    primary_ = p;
    secondary_ = SecondaryDictId(pair) ? ById(static_cast<u32>(SecondaryDictId(pair))) : nullptr;
}

u32 DictRegistry::SelectedPair() const noexcept
{
    if (!primary_)
        return 0;
    return PackDictPair(static_cast<int32>(primary_->Id()), secondary_ ? static_cast<int32>(secondary_->Id()) : 0);
}

bool DictRegistry::IsCorrect(const wchar_t* word, int64 length) const noexcept
{
    if (!primary_)
        return false;
    if (primary_->IsCorrect(word, length))
        return true;
    return secondary_ && secondary_->IsCorrect(word, length);
}

Array<String> DictRegistry::Suggest(const String& word) const
{
    if (!primary_)
        return Array<String>();
    return primary_->Suggest(word);
}

String DictRegistry::DisplayName(u32 pair) const
{
    CorrectorDict* p = ById(pair);
    if (!p)
        return String();
    CorrectorDict* s = SecondaryDictId(pair) ? ById(static_cast<u32>(SecondaryDictId(pair))) : nullptr;
    if (!s)
        return p->Name();
    String both;
    both.ConcatList({p->Name().CStr(), L"\r", s->Name().CStr()});
    return both;
}
