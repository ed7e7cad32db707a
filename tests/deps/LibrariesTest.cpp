// The third-party libraries are built from source; these checks make a
// broken dependency build fail here rather than deep inside a feature.
#include <doctest.h>

#include <windows.h>

#include <hunspell/hunspell.hxx>
#include <png.h>
#include <unzip.h>
#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string TempPath(const char* name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

void WriteText(const std::string& path, const char* text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    REQUIRE(f);
    std::fputs(text, f);
    std::fclose(f);
}

} // namespace

TEST_CASE("hunspell checks words of a dictionary written here")
{
    std::string aff = TempPath("scrivel_dep_test.aff");
    std::string dic = TempPath("scrivel_dep_test.dic");
    WriteText(aff, "SET UTF-8\nSFX S Y 1\nSFX S 0 s .\n");
    WriteText(dic, "2\nkot/S\npies\n");
    {
        Hunspell h(aff.c_str(), dic.c_str());
        CHECK(h.spell(std::string("kot")));
        CHECK(h.spell(std::string("kots")));
        CHECK(h.spell(std::string("pies")));
        CHECK_FALSE(h.spell(std::string("krowa")));
        CHECK(h.get_dict_encoding() == "UTF-8");
        h.add("krowa");
        CHECK(h.spell(std::string("krowa")));
    }
    DeleteFileA(aff.c_str());
    DeleteFileA(dic.c_str());
}

TEST_CASE("zlib and minizip write and read back an archive")
{
    std::string path = TempPath("scrivel_dep_test.zip");
    const char payload[] = "hello, archive";
    zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    REQUIRE(z);
    zip_fileinfo info{};
    REQUIRE(zipOpenNewFileInZip(z, "a.txt", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9) == ZIP_OK);
    REQUIRE(zipWriteInFileInZip(z, payload, sizeof payload) == ZIP_OK);
    zipCloseFileInZip(z);
    zipClose(z, nullptr);

    unzFile u = unzOpen(path.c_str());
    REQUIRE(u);
    REQUIRE(unzGoToFirstFile(u) == UNZ_OK);
    char name[64];
    unz_file_info fi;
    REQUIRE(unzGetCurrentFileInfo(u, &fi, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK);
    CHECK(std::string(name) == "a.txt");
    REQUIRE(unzOpenCurrentFile(u) == UNZ_OK);
    char back[64] = {};
    CHECK(unzReadCurrentFile(u, back, sizeof back) == static_cast<int>(sizeof payload));
    CHECK(std::strcmp(back, payload) == 0);
    unzCloseCurrentFile(u);
    unzClose(u);
    DeleteFileA(path.c_str());
}

TEST_CASE("libpng encodes and decodes an image in memory")
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 2;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    png_alloc_size_t size = 0;
    REQUIRE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr));
    std::vector<png_byte> encoded(size);
    REQUIRE(png_image_write_to_memory(&image, encoded.data(), &size, 0, pixels.data(), 0, nullptr));

    png_image in{};
    in.version = PNG_IMAGE_VERSION;
    REQUIRE(png_image_begin_read_from_memory(&in, encoded.data(), size));
    CHECK(in.width == 3);
    CHECK(in.height == 2);
    in.format = PNG_FORMAT_RGB;
    std::vector<png_byte> back(PNG_IMAGE_SIZE(in));
    REQUIRE(png_image_finish_read(&in, nullptr, back.data(), 0, nullptr));
    CHECK(back == pixels);
}
