#include <functional>

#include <gtest/gtest.h>

#include "eng_except.h"

using namespace EngExcept;

namespace {

// Which handler of a fixed order catches the exception.
enum class Caught { FileExc, FolderNotFound, RegKey, BaseExc };

Caught catch_by_handlers(const std::function<void()>& thrower, std::wstring* message)
{
    try {
        thrower();
    } catch (FileException& e) {
        *message = e.get_message();
        return Caught::FileExc;
    } catch (EFolderNotFound& e) {
        *message = e.get_message();
        return Caught::FolderNotFound;
    } catch (EFailedToOpenRegKey& e) {
        *message = e.get_message();
        return Caught::RegKey;
    } catch (Exception& e) {
        *message = e.get_message();
        return Caught::BaseExc;
    }
    return Caught::BaseExc;
}

}  // namespace

TEST(EngExceptTest, EachClassIsCaughtByItsOwnHandlerWithItsText)
{
    struct Row {
        std::function<void()> thrower;
        Caught caught;
        std::wstring message;
    } rows[] = {
        {[] { throw FileException(L"DataStore::write_file(): Failed to write file!", L"(n/a)", 1); }, Caught::FileExc,
         L"DataStore::write_file(): Failed to write file!"},
        {[] { throw EFileNotFound(L"C:\\a\\preference.dat"); }, Caught::FileExc, L"File doesn't exist!"},
        {[] { throw EFolderNotFound(L"C:\\Mail"); }, Caught::FolderNotFound, L"Folder has not been found!"},
        {[] { throw EFailedToOpenRegKey(L"Software\\X"); }, Caught::RegKey, L"Failed to open key path: Software\\X"},
        {[] { throw EFailedToOpenRegKey(L""); }, Caught::RegKey, L"Failed to open key path: "},
        {[] { throw Exception(L"plain"); }, Caught::BaseExc, L"plain"},
    };
    for (const Row& row : rows) {
        std::wstring message;
        EXPECT_EQ(catch_by_handlers(row.thrower, &message), row.caught) << std::string(message.begin(), message.end());
        EXPECT_EQ(message, row.message);
    }
}

TEST(EngExceptTest, BaseHandlerKeepsDerivedMessageAndFileDetailSurvivesCopy)
{
    try {
        throw EFileNotFound(L"C:\\x.dat");
    } catch (Exception& e) {
        EXPECT_EQ(e.get_message(), L"File doesn't exist!");
    }

    FileException copy(L"", L"", 0);
    {
        FileException source(L"FileReader::source_open(): Failed to open file!", L"C:\\in\\a.dbx", 2);
        copy = source;
    }
    EXPECT_EQ(copy.get_message(), L"FileReader::source_open(): Failed to open file!");
    EXPECT_EQ(copy.get_detail(), L"C:\\in\\a.dbx");
    EXPECT_EQ(copy.get_code(), 2);
    EXPECT_EQ(EFileNotFound(L"p").get_code(), 2);
}
