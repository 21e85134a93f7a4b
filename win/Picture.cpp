#include "win/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>

#include <objbase.h>
#include <wincodec.h>

#include "base/PositionedFile.h"
#include "exif/ByteReader.h"
#include "exif/ExifLayout.h"
#include "view/PhotoTexts.h"

namespace tokimori {

namespace {

// The decoder's own scaling, which mingw-w64's headers do not declare (the Windows SDK's layout).
struct ISourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format,
                                                 WICBitmapTransformOptions transform, UINT stride,
                                                 UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                           BOOL* supported) = 0;
};
constexpr IID kSourceTransformId = {
    0x3b16811b, 0x6a43, 0x4ec9, {0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40}};

// An owned COM interface.
template <class T> class Com {
  public:
    Com() = default;
    explicit Com(T* p) : p_(p) {}
    Com(Com&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Com& operator=(Com&& o) noexcept {
        if (this != &o) {
            if (p_) p_->Release();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_) p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** put() {
        if (p_) p_->Release();
        p_ = nullptr;
        return &p_;
    }
    // Holds p as well (another reference to it).
    template <class U> void share(U* p) {
        if (p) p->AddRef();
        if (p_) p_->Release();
        p_ = p;
    }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

// A photo opened through the program's own file access, as the stream WIC reads. A read after
// *cancelled has become true fails, so that a decode gives up.
class FileStream final : public IStream {
  public:
    FileStream(PositionedFile file, const std::atomic<bool>* cancelled)
        : file_(std::move(file)), cancelled_(cancelled) {}

    bool failed() const { return failed_; }
    bool gaveUp() const { return gaveUp_; }
    bool cancelled() {
        if (cancelled_ && cancelled_->load(std::memory_order_relaxed)) gaveUp_ = true;
        return gaveUp_;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (!out) return E_POINTER;
        if (id == IID_IUnknown || id == IID_ISequentialStream || id == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG wanted, ULONG* got) override {
        if (got) *got = 0;
        if (cancelled()) return E_ABORT;
        const uint64_t size = file_.size();
        const ULONG n =
            at_ >= size ? 0 : static_cast<ULONG>(std::min<uint64_t>(wanted, size - at_));
        if (n > 0) {
            if (!file_.readAt(at_, std::span<uint8_t>(static_cast<uint8_t*>(data), n))) {
                failed_ = true;
                return STG_E_READFAULT;
            }
            at_ += n;
        }
        if (got) *got = n;
        return n == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
        int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<int64_t>(at_);
            break;
        case STREAM_SEEK_END:
            base = static_cast<int64_t>(file_.size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        const int64_t to = base + move.QuadPart;
        if (to < 0) return STG_E_INVALIDFUNCTION;
        at_ = static_cast<uint64_t>(to);
        if (now) now->QuadPart = at_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = {};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = file_.size();
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  private:
    ~FileStream() { (void)file_.close(); }

    PositionedFile file_;
    const std::atomic<bool>* cancelled_;
    ULONG refs_ = 1;
    uint64_t at_ = 0;
    bool failed_ = false;
    bool gaveUp_ = false;
};

Com<IWICImagingFactory> Factory() {
    Com<IWICImagingFactory> f;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(f.put()));
    return f;
}

// IFD0's Orientation, 1 to 8, from the first Exif segment among the head's segments wherever it
// stands (an editor may put a colour profile before it); 1 when there is none.
int ExifOrientation(ByteReader& r) {
    constexpr uint16_t kOrientation = 274, kShort = 3;
    if (r.u16(0, ByteOrder::Big) != 0xFFD8) return 1;
    uint64_t p = 2;
    for (int segments = 0; segments < 64; ++segments) {
        const auto marker = r.u16(p, ByteOrder::Big);
        const auto length = r.u16(p + 2, ByteOrder::Big);
        if (!marker || !length || (*marker & 0xFF00) != 0xFF00 || *marker == 0xFFDA ||
            *marker == 0xFFD9 || *length < 2)
            return 1;
        if (*marker == 0xFFE1 && HasExifIdentifier(r, p)) {
            const uint64_t base = TiffBaseOf(p);
            const auto order = ReadByteOrder(r, base);
            const auto ifd0 = order ? r.u32(base + 4, *order) : std::nullopt;
            const auto count = ifd0 ? r.u16(base + *ifd0, *order) : std::nullopt;
            for (uint32_t k = 0; count && k < *count; ++k) {
                const auto e = ReadEntry(r, base + *ifd0, k, *order);
                if (!e) break;
                if (e->tag != kOrientation || e->type != kShort) continue;
                const uint32_t v = EntryNumber(*e, *order);
                return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
            }
            return 1;
        }
        p += 2 + uint64_t{*length};
    }
    return 1;
}

bool Turns(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

PictureSize Turned(PictureSize s, int orientation) {
    return Turns(orientation) ? PictureSize{s.height, s.width} : s;
}

// The stored pixel of the upright one at (x, y), for a stored picture of w × h.
std::pair<int, int> StoredAt(int orientation, int x, int y, int w, int h) {
    switch (orientation) {
    case 2:
        return {w - 1 - x, y};
    case 3:
        return {w - 1 - x, h - 1 - y};
    case 4:
        return {x, h - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {y, h - 1 - x};
    case 7:
        return {w - 1 - y, h - 1 - x};
    case 8:
        return {w - 1 - y, x};
    default:
        return {x, y};
    }
}

Bitmap MakeBitmap(PictureSize size, uint32_t** bits) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = size.width;
    bmi.bmiHeader.biHeight = -size.height; // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!h) return {};
    *bits = static_cast<uint32_t*>(p);
    return Bitmap(h, size);
}

// source's pixels (stored size) as an upright bitmap, cut to the upright rectangle `cut` when
// given. Fails with the reason for the decode's failure in hr.
Bitmap Upright(IWICImagingFactory* factory, IWICBitmapSource* source, PictureSize stored,
               int orientation, const std::optional<Rect>& cut, HRESULT& hr) {
    Com<IWICFormatConverter> converter;
    hr = factory->CreateFormatConverter(converter.put());
    if (SUCCEEDED(hr))
        hr = converter->Initialize(source, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom);
    if (FAILED(hr)) return {};
    const UINT stride = static_cast<UINT>(stored.width) * 4;
    const UINT bytes = stride * static_cast<UINT>(stored.height);
    const PictureSize upright = Turned(stored, orientation);
    uint32_t* bits = nullptr;
    if (orientation == 1 && !cut) {
        Bitmap out = MakeBitmap(upright, &bits);
        if (!out) {
            hr = E_OUTOFMEMORY;
            return {};
        }
        hr = converter->CopyPixels(nullptr, stride, bytes, reinterpret_cast<BYTE*>(bits));
        return SUCCEEDED(hr) ? std::move(out) : Bitmap();
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(stored.width) * stored.height);
    hr = converter->CopyPixels(nullptr, stride, bytes, reinterpret_cast<BYTE*>(pixels.data()));
    if (FAILED(hr)) return {};
    const Rect part = cut ? *cut : Rect{0, 0, upright.width, upright.height};
    Bitmap out = MakeBitmap({part.width, part.height}, &bits);
    if (!out) {
        hr = E_OUTOFMEMORY;
        return {};
    }
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x) {
            const auto [sx, sy] =
                StoredAt(orientation, part.left + x, part.top + y, stored.width, stored.height);
            bits[static_cast<size_t>(y) * part.width + x] =
                pixels[static_cast<size_t>(sy) * stored.width + sx];
        }
    return out;
}

// A smaller copy of the frame made by the decoder itself (a JPEG decoder decodes at 1/2, 1/4 or
// 1/8 of the size), no smaller than want; nothing when the decoder cannot.
Com<IWICBitmapSource> DecoderScaled(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame,
                                    PictureSize stored, PictureSize want) {
    Com<ISourceTransform> transform;
    if (FAILED(
            frame->QueryInterface(kSourceTransformId, reinterpret_cast<void**>(transform.put()))))
        return {};
    const double scale = std::max(static_cast<double>(want.width) / stored.width,
                                  static_cast<double>(want.height) / stored.height);
    UINT w = static_cast<UINT>(std::ceil(stored.width * scale));
    UINT h = static_cast<UINT>(std::ceil(stored.height * scale));
    if (FAILED(transform->GetClosestSize(&w, &h)) || w < static_cast<UINT>(want.width) ||
        h < static_cast<UINT>(want.height) || w >= static_cast<UINT>(stored.width))
        return {};
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (FAILED(transform->GetClosestPixelFormat(&format))) return {};
    UINT pixelBytes = 0;
    if (format == GUID_WICPixelFormat24bppBGR)
        pixelBytes = 3;
    else if (format == GUID_WICPixelFormat32bppBGR || format == GUID_WICPixelFormat32bppBGRA)
        pixelBytes = 4;
    else
        return {};
    const UINT stride = (w * pixelBytes + 3) / 4 * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    if (FAILED(transform->CopyPixels(nullptr, w, h, &format, WICBitmapTransformRotate0, stride,
                                     static_cast<UINT>(pixels.size()), pixels.data())))
        return {};
    Com<IWICBitmap> copy;
    if (FAILED(factory->CreateBitmapFromMemory(
            w, h, format, stride, static_cast<UINT>(pixels.size()), pixels.data(), copy.put())))
        return {};
    Com<IWICBitmapSource> out;
    out.share(copy.get());
    return out;
}

// The photo opened and its first frame found.
struct Opened {
    Com<IWICImagingFactory> factory;
    FileStream* stream = nullptr; // owned by the decoder and streamRef
    Com<IStream> streamRef;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    PictureSize stored;
    int orientation = 1;
    uint64_t fileSize = 0;
    FileInstant modified;
    uint64_t thumbnailOffset = 0;
    uint32_t thumbnailLength = 0;
    std::string error;
};

std::string Words(PictureFailure why) {
    return PictureFailureWords(why);
}

// Why the step that answered hr failed.
std::string FailureOf(HRESULT hr, const FileStream* stream) {
    if (stream && stream->gaveUp()) return Words(PictureFailure::GaveUp);
    if (stream && stream->failed()) return Words(PictureFailure::Unreadable);
    if (hr == WINCODEC_ERR_COMPONENTNOTFOUND || hr == WINCODEC_ERR_UNKNOWNIMAGEFORMAT)
        return Words(PictureFailure::UnknownFormat);
    if (hr == E_OUTOFMEMORY) return Words(PictureFailure::CannotLoad);
    return Words(PictureFailure::Damaged);
}

Opened Open(const std::string& path, const ExifInfo* exif, const std::atomic<bool>* cancelled) {
    Opened o;
    auto file = PositionedFile::open(path, PositionedFile::Mode::Read);
    if (!file) {
        o.error = PhotoReadFailure(file.error());
        return o;
    }
    o.fileSize = file->size();
    if (auto times = file->times()) o.modified = times->modified;
    {
        ByteReader reader(file.value());
        o.orientation = ExifOrientation(reader);
        const ExifInfo read = exif ? ExifInfo{} : WalkExifInfo(reader);
        o.thumbnailOffset = (exif ? *exif : read).thumbnailOffset;
        o.thumbnailLength = (exif ? *exif : read).thumbnailLength;
    }
    o.stream = new FileStream(std::move(file.value()), cancelled);
    *o.streamRef.put() = o.stream;
    o.factory = Factory();
    if (!o.factory) {
        o.error = Words(PictureFailure::CannotLoad);
        return o;
    }
    if (o.stream->cancelled()) {
        o.error = Words(PictureFailure::GaveUp);
        return o;
    }
    HRESULT hr = o.factory->CreateDecoderFromStream(
        o.stream, nullptr, WICDecodeMetadataCacheOnDemand, o.decoder.put());
    if (SUCCEEDED(hr)) hr = o.decoder->GetFrame(0, o.frame.put());
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr)) hr = o.frame->GetSize(&w, &h);
    if (FAILED(hr)) {
        o.error = FailureOf(hr, o.stream);
        return o;
    }
    o.stored = {static_cast<int>(w), static_cast<int>(h)};
    if (o.stored.empty()) o.error = Words(PictureFailure::ZeroSize);

    return o;
}

} // namespace

ComScope::ComScope() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    initialised_ = SUCCEEDED(hr); // RPC_E_CHANGED_MODE: the thread has COM already
}

ComScope::~ComScope() {
    if (initialised_) CoUninitialize();
}

void Bitmap::reset() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    size_ = {};
}

PictureHead ReadPictureHead(const std::string& path, const ExifInfo* exif, bool withThumbnail) {
    ComScope com;
    PictureHead head;
    Opened o = Open(path, exif, nullptr);
    head.orientation = o.orientation;
    head.fileSize = o.fileSize;
    head.modified = o.modified;
    head.error = o.error;
    if (!head.error.empty()) return head;
    head.natural = Turned(o.stored, o.orientation);
    const uint64_t at = o.thumbnailOffset;
    const uint32_t length = o.thumbnailLength;
    if (withThumbnail && length > 0 && length <= kMaxExifThumbnailBytes && at <= o.fileSize &&
        length <= o.fileSize - at) {
        head.thumbnail.resize(length);
        ULONG got = 0;
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(at);
        if (FAILED(o.stream->Seek(to, STREAM_SEEK_SET, nullptr)) ||
            o.stream->Read(head.thumbnail.data(), length, &got) != S_OK || got != length)
            head.thumbnail.clear();
    }
    return head;
}

Bitmap DecodePicture(const std::string& path, PictureSize target, std::string* error,
                     const std::atomic<bool>* cancelled, PictureSize* natural) {
    ComScope com;
    if (natural) *natural = {};
    auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return Bitmap();
    };
    Opened o = Open(path, nullptr, cancelled);
    if (!o.error.empty()) return fail(o.error);
    if (natural) *natural = Turned(o.stored, o.orientation);
    if (target.empty()) target = Turned(o.stored, o.orientation);
    // The size to decode at, as the picture is stored.
    const PictureSize want = Turned(target, o.orientation);
    Com<IWICBitmapSource> source;
    source.share(o.frame.get());
    PictureSize have = o.stored;
    if (want.width < have.width && want.height < have.height) {
        if (Com<IWICBitmapSource> scaled =
                DecoderScaled(o.factory.get(), o.frame.get(), have, want)) {
            UINT w = 0, h = 0;
            scaled->GetSize(&w, &h);
            source = std::move(scaled);
            have = {static_cast<int>(w), static_cast<int>(h)};
        }
    }
    if (o.stream->cancelled()) return fail(Words(PictureFailure::GaveUp));
    HRESULT hr = S_OK;
    if (have != want) {
        Com<IWICBitmapScaler> scaler;
        hr = o.factory->CreateBitmapScaler(scaler.put());
        const bool smaller = int64_t(want.width) * want.height < int64_t(have.width) * have.height;
        if (SUCCEEDED(hr))
            hr = scaler->Initialize(
                source.get(), static_cast<UINT>(want.width), static_cast<UINT>(want.height),
                smaller ? WICBitmapInterpolationModeFant : WICBitmapInterpolationModeLinear);
        if (FAILED(hr)) return fail(FailureOf(hr, o.stream));
        source.share(scaler.get());
    }
    Bitmap out = Upright(o.factory.get(), source.get(), want, o.orientation, std::nullopt, hr);
    if (o.stream->cancelled()) return fail(Words(PictureFailure::GaveUp));
    if (!out) return fail(FailureOf(hr, o.stream));
    return out;
}

Bitmap DecodeExifThumbnail(const std::vector<uint8_t>& jpeg, int orientation, PictureSize natural) {
    if (jpeg.empty() || natural.empty() || jpeg.size() > kMaxExifThumbnailBytes) return {};
    if (orientation < 1 || orientation > 8) orientation = 1;
    ComScope com;
    Com<IWICImagingFactory> factory = Factory();
    if (!factory) return {};
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    HRESULT hr = factory->CreateStream(stream.put());
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromMemory(const_cast<BYTE*>(jpeg.data()),
                                          static_cast<DWORD>(jpeg.size()));
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoderFromStream(stream.get(), &GUID_VendorMicrosoft,
                                              WICDecodeMetadataCacheOnDemand, decoder.put());
    if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.put());
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr)) hr = frame->GetSize(&w, &h);
    if (FAILED(hr) || w == 0 || h == 0 || w > kMaxExifThumbnailSide || h > kMaxExifThumbnailSide)
        return {};
    const PictureSize stored{static_cast<int>(w), static_cast<int>(h)};
    const PictureSize upright = Turned(stored, orientation);
    const std::optional<Rect> cut =
        ExifThumbnailCut(upright.width, upright.height, natural.width, natural.height);
    if (!cut) return {};
    return Upright(factory.get(), frame.get(), stored, orientation, cut, hr);
}

void DrawBitmap(HDC dc, const Bitmap& bitmap, const RECT& into) {
    if (!bitmap) return;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap.handle());
    const PictureSize s = bitmap.size();
    const int w = into.right - into.left, h = into.bottom - into.top;
    if (w == s.width && h == s.height) {
        BitBlt(dc, into.left, into.top, w, h, memory, 0, 0, SRCCOPY);
    } else {
        const int mode = SetStretchBltMode(dc, HALFTONE);
        POINT origin;
        SetBrushOrgEx(dc, 0, 0, &origin);
        StretchBlt(dc, into.left, into.top, w, h, memory, 0, 0, s.width, s.height, SRCCOPY);
        SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
        SetStretchBltMode(dc, mode);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

} // namespace tokimori
