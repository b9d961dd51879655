// Streams on global memory as data objects use them: the caller's block is written from its start and
// grown under the same handle, left to the caller unless the stream was told to free it; and storage
// media are released by their type or by their owner.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "objidl.h"
#include "tvcom.h"

namespace {

std::string BlockBytes(HGLOBAL block) {
    auto* data = static_cast<const char*>(GlobalLock(block));
    std::string bytes(data, GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

bool IsLiveBlock(HGLOBAL block) {
    SetLastError(NO_ERROR);
    return GlobalSize(block) != 0 || GetLastError() != ERROR_INVALID_HANDLE;
}

// Counts its references; stands for the owner of a medium.
class Owner : public IUnknown {
public:
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST(StreamOnHGlobal, WritingPastTheCallersBlockGrowsItUnderTheSameHandle) {
    HGLOBAL block = GlobalAlloc(GMEM_SHARE | GMEM_MOVEABLE, 4);
    tvcom::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, stream.Receive()), S_OK);
    ULONG written = 0;
    EXPECT_EQ(stream->Write("0123456789", 10, &written), S_OK);
    EXPECT_EQ(written, 10u);
    HGLOBAL under = nullptr;
    EXPECT_EQ(GetHGlobalFromStream(stream.Get(), &under), S_OK);
    EXPECT_EQ(under, block);
    stream.Reset();

    ASSERT_TRUE(IsLiveBlock(block)) << "the caller's block outlives the stream";
    EXPECT_EQ(BlockBytes(block), "0123456789");
    GlobalFree(block);
}

TEST(StreamOnHGlobal, ShortWriteOverwritesOnlyTheStartOfALargerBlock) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
    std::memcpy(GlobalLock(block), "xxxxxxxx", 8);
    GlobalUnlock(block);
    tvcom::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, stream.Receive()), S_OK);
    EXPECT_EQ(stream->Write("ab", 2, nullptr), S_OK);
    stream.Reset();
    EXPECT_EQ(BlockBytes(block), "abxxxxxx");
    GlobalFree(block);
}

TEST(StreamOnHGlobal, FixedBlockThatCannotGrowIsFull) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 2);
    tvcom::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, stream.Receive()), S_OK);
    EXPECT_EQ(stream->Write("abcd", 4, nullptr), STG_E_MEDIUMFULL);
    EXPECT_EQ(stream->Write("ab", 2, nullptr), S_OK);
    stream.Reset();
    EXPECT_FALSE(IsLiveBlock(block)) << "fDeleteOnRelease frees the block with the stream";
}

TEST(StreamOnHGlobal, ReadsBackWhatWasWrittenAndStopsAtTheEnd) {
    tvcom::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    stream->Write("hello", 5, nullptr);
    LARGE_INTEGER start{};
    ULARGE_INTEGER position{};
    EXPECT_EQ(stream->Seek(start, STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 0u);
    char text[16] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(text, sizeof(text), &read), S_OK);
    EXPECT_EQ(read, 5u);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(stream->Read(text, sizeof(text), &read), S_OK);
    EXPECT_EQ(read, 0u);
    LARGE_INTEGER before{};
    before.QuadPart = -6;
    EXPECT_EQ(stream->Seek(before, STREAM_SEEK_END, nullptr), STG_E_INVALIDFUNCTION);
    STATSTG stat;
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 5u);
    stream.Reset();
}

TEST(StreamOnHGlobal, CloneKeepsTheBlockUntilTheLastStreamGoes) {
    tvcom::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    stream->Write("abc", 3, nullptr);
    HGLOBAL block = nullptr;
    GetHGlobalFromStream(stream.Get(), &block);
    tvcom::ComPtr<IStream> clone;
    ASSERT_EQ(stream->Clone(clone.Receive()), S_OK);
    stream.Reset();
    EXPECT_TRUE(IsLiveBlock(block));
    EXPECT_EQ(clone->Write("d", 1, nullptr), S_OK);
    EXPECT_EQ(BlockBytes(block), "abcd");
    clone.Reset();
    EXPECT_FALSE(IsLiveBlock(block));
}

TEST(StreamOnHGlobal, RefusesStaleBlocksAndForeignStreams) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    GlobalFree(block);
    IStream* stream = reinterpret_cast<IStream*>(1);
    EXPECT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), E_INVALIDARG);
    EXPECT_EQ(stream, nullptr);

    Owner notAStream;
    HGLOBAL out = reinterpret_cast<HGLOBAL>(1);
    EXPECT_EQ(GetHGlobalFromStream(reinterpret_cast<IStream*>(&notAStream), &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
}

TEST(ReleaseStgMedium, FreesAGlobalBlockUnlessAnOwnerReleasesIt) {
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 36);
    HGLOBAL block = medium.hGlobal;
    ReleaseStgMedium(&medium);
    EXPECT_FALSE(IsLiveBlock(block));

    Owner owner;
    medium.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 36);
    medium.pUnkForRelease = &owner;
    ReleaseStgMedium(&medium);
    EXPECT_EQ(owner.refs, 0);
    EXPECT_TRUE(IsLiveBlock(medium.hGlobal)) << "the owner frees what it owns";
    GlobalFree(medium.hGlobal);
}

TEST(ReleaseStgMedium, ReleasesAStream) {
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    stream->AddRef();
    STGMEDIUM medium{};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = stream;
    ReleaseStgMedium(&medium);
    EXPECT_EQ(stream->Release(), 0u); // by hand, to see the count the medium left
}

} // namespace
