// The error-information interfaces of automation: IErrorInfo (what failed, read by the caller),
// ICreateErrorInfo (filled in by the object that failed) and ISupportErrorInfo (which interfaces of an
// object leave error information behind). ole32 implements the error object and the per-thread slot.
#pragma once

#include "oleauto.h"

DEFINE_GUID(IID_IErrorInfo, 0x1CF2B120, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
DEFINE_GUID(IID_ICreateErrorInfo, 0x22F03340, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
DEFINE_GUID(IID_ISupportErrorInfo, 0xDF0B3D60, 0x548F, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1,
            0x19);

interface IErrorInfo : public IUnknown {
    STDMETHOD(GetGUID)(GUID* pGUID) PURE;
    STDMETHOD(GetSource)(BSTR* pBstrSource) PURE;
    STDMETHOD(GetDescription)(BSTR* pBstrDescription) PURE;
    STDMETHOD(GetHelpFile)(BSTR* pBstrHelpFile) PURE;
    STDMETHOD(GetHelpContext)(DWORD* pdwHelpContext) PURE;

protected:
    ~IErrorInfo() = default;
};
typedef IErrorInfo* LPERRORINFO;
TVCOM_IID(IErrorInfo, IID_IErrorInfo)

interface ICreateErrorInfo : public IUnknown {
    STDMETHOD(SetGUID)(REFGUID rguid) PURE;
    STDMETHOD(SetSource)(LPOLESTR szSource) PURE;
    STDMETHOD(SetDescription)(LPOLESTR szDescription) PURE;
    STDMETHOD(SetHelpFile)(LPOLESTR szHelpFile) PURE;
    STDMETHOD(SetHelpContext)(DWORD dwHelpContext) PURE;

protected:
    ~ICreateErrorInfo() = default;
};
typedef ICreateErrorInfo* LPCREATEERRORINFO;
TVCOM_IID(ICreateErrorInfo, IID_ICreateErrorInfo)

interface ISupportErrorInfo : public IUnknown {
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) PURE;

protected:
    ~ISupportErrorInfo() = default;
};
typedef ISupportErrorInfo* LPSUPPORTERRORINFO;
TVCOM_IID(ISupportErrorInfo, IID_ISupportErrorInfo)
