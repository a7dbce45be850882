#include "platform/carchive.h"

#include <cstring>
#include <string>

namespace {

constexpr WORD kNullTag = 0x0000;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kMaxIndex = 0x7FFE;

[[noreturn]] void ThrowArchive(int cause) {
    throw new CArchiveException(cause);
}

} // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize)
    : m_pFile(pFile), m_nMode(nMode),
      m_buffer(static_cast<size_t>(nBufSize > 0 ? nBufSize : 4096)) {}

CArchive::~CArchive() {
    // A destructor must not throw; an archive closed explicitly reports its errors.
    try {
        Flush();
    } catch (CException* e) {
        e->Delete();
    }
}

void CArchive::Close() {
    Flush();
}

void CArchive::Flush() {
    if (IsStoring()) {
        if (m_pos > 0)
            m_pFile->Write(m_buffer.data(), static_cast<UINT>(m_pos));
        m_pos = 0;
        return;
    }
    if (m_end > m_pos)
        m_pFile->Seek(-static_cast<LONGLONG>(m_end - m_pos), CFile::current);
    m_pos = m_end = 0;
}

void CArchive::Write(const void* data, UINT count) {
    if (!IsStoring())
        ThrowArchive(CArchiveException::readOnly);
    const auto* in = static_cast<const BYTE*>(data);
    while (count > 0) {
        if (m_pos == m_buffer.size())
            Flush();
        size_t n = std::min<size_t>(count, m_buffer.size() - m_pos);
        std::memcpy(m_buffer.data() + m_pos, in, n);
        m_pos += n;
        in += n;
        count -= static_cast<UINT>(n);
    }
}

void CArchive::Read(void* data, UINT count) {
    if (IsStoring())
        ThrowArchive(CArchiveException::writeOnly);
    auto* out = static_cast<BYTE*>(data);
    while (count > 0) {
        if (m_pos == m_end) {
            m_pos = 0;
            m_end = m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
            if (m_end == 0)
                ThrowArchive(CArchiveException::endOfFile);
        }
        size_t n = std::min<size_t>(count, m_end - m_pos);
        std::memcpy(out, m_buffer.data() + m_pos, n);
        m_pos += n;
        out += n;
        count -= static_cast<UINT>(n);
    }
}

void CArchive::WriteObject(const CObject* object) {
    if (object == nullptr) {
        *this << kNullTag;
        return;
    }
    if (auto it = m_storedIndex.find(object); it != m_storedIndex.end()) {
        *this << it->second;
        return;
    }
    if (m_nextIndex > kMaxIndex)
        ThrowArchive(CArchiveException::badIndex);
    const CRuntimeClass* cls = object->GetRuntimeClass();
    if (auto it = m_storedIndex.find(cls); it != m_storedIndex.end()) {
        *this << static_cast<WORD>(kClassTag | it->second);
    } else {
        auto len = static_cast<WORD>(std::strlen(cls->m_lpszClassName));
        *this << kNewClassTag << static_cast<WORD>(cls->m_wSchema) << len;
        Write(cls->m_lpszClassName, len);
        m_storedIndex[cls] = m_nextIndex++;
    }
    m_storedIndex[object] = m_nextIndex++;
    const_cast<CObject*>(object)->Serialize(*this);
}

CObject* CArchive::ReadObject(const CRuntimeClass* expected) {
    WORD tag = 0;
    *this >> tag;
    if (tag == kNullTag)
        return nullptr;
    const CRuntimeClass* cls = nullptr;
    if (tag == kNewClassTag) {
        WORD schema = 0, len = 0;
        *this >> schema >> len;
        std::string name(len, '\0');
        Read(name.data(), len);
        cls = CRuntimeClass::FromName(name.c_str());
        if (cls == nullptr || cls->m_pfnCreateObject == nullptr)
            ThrowArchive(CArchiveException::badClass);
        if (schema != cls->m_wSchema)
            ThrowArchive(CArchiveException::badSchema);
        m_loaded.push_back(cls);
        m_loadedIsClass.push_back(true);
    } else if ((tag & kClassTag) != 0) {
        WORD index = tag & static_cast<WORD>(~kClassTag);
        if (index >= m_loaded.size() || !m_loadedIsClass[index])
            ThrowArchive(CArchiveException::badIndex);
        cls = static_cast<const CRuntimeClass*>(m_loaded[index]);
    } else {
        if (tag >= m_loaded.size() || m_loadedIsClass[tag])
            ThrowArchive(CArchiveException::badIndex);
        auto* object = static_cast<CObject*>(const_cast<void*>(m_loaded[tag]));
        if (object == nullptr) // its loading failed, and it was deleted
            ThrowArchive(CArchiveException::badIndex);
        if (expected != nullptr && !object->IsKindOf(expected))
            ThrowArchive(CArchiveException::badClass);
        return object;
    }
    if (expected != nullptr && !cls->IsDerivedFrom(expected))
        ThrowArchive(CArchiveException::badClass);
    CObject* object = cls->CreateObject();
    const size_t slot = m_loaded.size();
    m_loaded.push_back(object);
    m_loadedIsClass.push_back(false);
    try {
        object->Serialize(*this);
    } catch (...) {
        m_loaded[slot] = nullptr; // a later reference to it is refused
        delete object;
        throw;
    }
    return object;
}
