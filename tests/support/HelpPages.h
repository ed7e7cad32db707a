#pragma once

// Help containers written by the tests: markup (UTF-8) and picture members
// in a temporary folder, loaded into a document.

#include "helpviewer/HelpContainerWriter.h"
#include "helpviewer/HelpDocument.h"
#include "support/ImageFixtures.h"
#include "support/TempFolder.h"

#include <string>
#include <utility>
#include <vector>

namespace helppages {

using Member = std::pair<std::wstring, fixtures::Bytes>;

// A PNG of one colour; alpha below 255 makes it carry alpha.
inline fixtures::Bytes SolidPng(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t alpha = 255)
{
    fixtures::PngSpec s;
    s.width = width;
    s.height = height;
    s.colourType = alpha == 255 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA;
    const int channels = alpha == 255 ? 3 : 4;
    for (int i = 0; i < width * height; i++) {
        s.samples.push_back(r);
        s.samples.push_back(g);
        s.samples.push_back(b);
        if (channels == 4)
            s.samples.push_back(alpha);
    }
    return fixtures::EncodePng(s);
}

// Writes "help.ruvo" with the markup and members into folder and loads it.
inline void LoadHelp(HelpDocument& document, const TempFolder& folder, const std::string& markup,
                     const std::vector<Member>& members = {})
{
    HelpContainerWriter w;
    w.AddMember(L"help.html", reinterpret_cast<const u8*>(markup.data()), static_cast<int64>(markup.size()));
    for (const Member& m : members)
        w.AddMember(m.first.c_str(), m.second.data(), static_cast<int64>(m.second.size()));
    const String path = folder / L"help.ruvo";
    w.Save(path);
    document.Load(path);
}

}  // namespace helppages
