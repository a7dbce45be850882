// The framework's root class with run-time class records, so that an archive can
// create an object from the class name it finds in a file.
#pragma once

#include "platform/wintypes.h"

class CArchive;
class CObject;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object of the class, or null when the class is not creatable.
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
    // The registered class of that name, or null.
    static const CRuntimeClass* FromName(LPCSTR className);
    static CObject* CreateObject(LPCSTR className);
};

// Registers a class record at static initialisation, for FromName.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(const CRuntimeClass* record);
};

class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);

    BOOL IsKindOf(const CRuntimeClass* record) const {
        return GetRuntimeClass()->IsDerivedFrom(record);
    }

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_SERIAL(name)                                                                       \
public:                                                                                            \
    static const CRuntimeClass class##name;                                                        \
    const CRuntimeClass* GetRuntimeClass() const override;                                         \
    static CObject* CreateObject();

#define IMPLEMENT_SERIAL(name, base, schema)                                                       \
    CObject* name::CreateObject() {                                                                \
        return new name;                                                                           \
    }                                                                                              \
    const CRuntimeClass name::class##name = {#name, sizeof(name), schema, name::CreateObject,      \
                                             RUNTIME_CLASS(base)};                                 \
    const CRuntimeClass* name::GetRuntimeClass() const {                                           \
        return RUNTIME_CLASS(name);                                                                \
    }                                                                                              \
    static const AFX_CLASSINIT _init_##name(RUNTIME_CLASS(name));
