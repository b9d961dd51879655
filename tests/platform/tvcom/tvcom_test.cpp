// The COM toolkit: one identity across an object's interfaces (bases of listed interfaces included),
// reference counts as Adopt, Retain, copies and moves say, E_NOINTERFACE for the rest, ISupportErrorInfo
// for exactly the listed interfaces, and parts that share their object's identity and count.
#include <gtest/gtest.h>

#include "tvcom.h"

DEFINE_GUID(IID_IShape, 0x7A000001, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x01);
DEFINE_GUID(IID_IShape2, 0x7A000002, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x02);
DEFINE_GUID(IID_IColour, 0x7A000003, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x03);
DEFINE_GUID(IID_IUnlisted, 0x7A000004, 0x1111, 0x4222, 0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x04);

interface IShape : public IUnknown {
    STDMETHOD_(int, Sides)() PURE;
};
TVCOM_IID(IShape, IID_IShape)
interface IShape2 : public IShape {
    STDMETHOD_(int, Corners)() PURE;
};
TVCOM_IID_DERIVED(IShape2, IID_IShape2, IShape)
interface IColour : public IUnknown {
    STDMETHOD_(int, Sides)() PURE; // the same member name as IShape's, meaning something else
};
TVCOM_IID(IColour, IID_IColour)
interface IUnlisted : public IUnknown {};
TVCOM_IID(IUnlisted, IID_IUnlisted)

namespace {

int g_alive = 0;

class Square : public tvcom::Object<IShape2, ISupportErrorInfo> {
public:
    Square() { ++g_alive; }
    ~Square() override { --g_alive; }
    STDMETHODIMP_(int) Sides() override { return 4; }
    STDMETHODIMP_(int) Corners() override { return 4; }
};

// Two interfaces whose members clash: each is a part of one object.
class Swatch : public tvcom::Object<IUnknown> {
public:
    Swatch() { ++g_alive; }
    ~Swatch() override { --g_alive; }

    class Shape : public tvcom::Part<IShape, Swatch> {
    public:
        using Part::Part;
        STDMETHODIMP_(int) Sides() override { return 3; }
    };
    class Colour : public tvcom::Part<IColour, Swatch> {
    public:
        using Part::Part;
        STDMETHODIMP_(int) Sides() override { return 2; }
    };

protected:
    void* Find(REFIID riid) override {
        if (tvcom::Answers<IShape>(riid)) return static_cast<IShape*>(&m_shape);
        if (tvcom::Answers<IColour>(riid)) return static_cast<IColour*>(&m_colour);
        return Object::Find(riid);
    }

private:
    Shape m_shape{this};
    Colour m_colour{this};
};

template <class I> ULONG Count(const tvcom::ComPtr<I>& p) {
    p->AddRef();
    return p->Release();
}

TEST(TvcomObject, AnswersListedAndBaseInterfacesWithOneIdentity) {
    auto square = tvcom::Make<Square>();
    tvcom::ComPtr<IShape2> shape2 = square;
    auto unknown = shape2.As<IUnknown>();
    auto shape = shape2.As<IShape>();
    ASSERT_TRUE(unknown && shape);
    EXPECT_EQ(shape->Sides(), 4);
    EXPECT_EQ(static_cast<void*>(shape.Get()), static_cast<void*>(shape2.Get()));
    EXPECT_EQ(shape.As<IUnknown>().Get(), unknown.Get());
    EXPECT_EQ(shape.As<ISupportErrorInfo>().As<IUnknown>().Get(), unknown.Get());

    HRESULT hr = S_OK;
    EXPECT_FALSE(shape.As<IColour>(&hr));
    EXPECT_EQ(hr, E_NOINTERFACE);
    void* out = &hr;
    EXPECT_EQ(unknown->QueryInterface(IID_IUnlisted, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(unknown->QueryInterface(IID_IShape, nullptr), E_POINTER);
}

TEST(TvcomObject, SupportsErrorInfoForExactlyItsInterfaces) {
    auto support = tvcom::Make<Square>().As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IShape2), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IShape), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IColour), S_FALSE);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IUnknown), S_FALSE);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ISupportErrorInfo), S_FALSE);
}

TEST(TvcomComPtr, AdoptRetainCopiesAndMovesCountAsTheySay) {
    ASSERT_EQ(g_alive, 0);
    {
        auto square = tvcom::Make<Square>();
        EXPECT_EQ(Count(square), 1u);
        IShape2* raw = square.Get();

        auto retained = tvcom::ComPtr<IShape2>::Retain(raw);
        EXPECT_EQ(Count(square), 2u);
        raw->AddRef(); // the reference an out parameter would hand over
        auto adopted = tvcom::ComPtr<IShape2>::Adopt(raw);
        EXPECT_EQ(Count(square), 3u);

        tvcom::ComPtr<IShape2> copy = retained;
        EXPECT_EQ(Count(square), 4u);
        tvcom::ComPtr<IShape2> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(Count(square), 4u);
        moved = adopted; // the old reference goes, the new one is added
        EXPECT_EQ(Count(square), 4u);
        moved = std::move(retained);
        EXPECT_EQ(Count(square), 3u);
        moved.Reset();
        adopted = nullptr;
        EXPECT_EQ(Count(square), 1u);

        Square* out = nullptr;
        EXPECT_EQ(square.CopyTo(&out), S_OK);
        auto received = tvcom::ComPtr<IShape2>::Adopt(out);
        EXPECT_EQ(Count(square), 2u);
        EXPECT_EQ(square.CopyTo(nullptr), E_POINTER);

        auto taken = tvcom::QueryFrom<IShape>(static_cast<IUnknown*>(raw));
        EXPECT_EQ(Count(square), 3u);
        EXPECT_EQ(g_alive, 1);
    }
    EXPECT_EQ(g_alive, 0);
}

TEST(TvcomPart, PartsShareTheirObjectsIdentityAndCount) {
    {
        auto swatch = tvcom::Make<Swatch>();
        auto shape = swatch.As<IShape>();
        auto colour = shape.As<IColour>();
        ASSERT_TRUE(shape && colour);
        EXPECT_EQ(shape->Sides(), 3);
        EXPECT_EQ(colour->Sides(), 2);
        EXPECT_EQ(colour.As<IUnknown>().Get(), shape.As<IUnknown>().Get());
        EXPECT_EQ(shape.As<IUnknown>().Get(), static_cast<IUnknown*>(swatch.Get()));
        EXPECT_FALSE(colour.As<IShape2>());
        EXPECT_EQ(Count(swatch), 3u);
        swatch.Reset();
        shape.Reset();
        EXPECT_EQ(g_alive, 1); // the colour part keeps the whole object
    }
    EXPECT_EQ(g_alive, 0);
}

} // namespace
