// The capture's video: frames read back from GL converted into the codec's pixel format.

#include "capture/encoded_stream.h"

bool StartVideo(EncodedStream& s, const CaptureOptions& options, int width, int height,
                std::string& error)
{
    s.context = avcodec_alloc_context3(s.codec);
    s.context->width = width;
    s.context->height = height;
    s.context->time_base = {1, options.fps};
    s.context->framerate = {options.fps, 1};
    s.context->pix_fmt =
        options.kind == OutputKind::PngFrames ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P;
    AVDictionary* settings = nullptr;
    std::string quality = std::to_string(options.quality);
    // One encoder thread at a low priority uses the time the renderer leaves idle, and the fastest
    // preset keeps it up with the frames (the constant rate factor keeps the quality; files are
    // about twice the size of the slower presets'). Measured on two cores: it added 11 to 14 % to
    // the demo's frame time, against 40 % for x264's own threads at its "veryfast" preset.
    if (options.kind == OutputKind::H264) {
        av_dict_set(&settings, "crf", quality.c_str(), 0);
        av_dict_set(&settings, "preset", "ultrafast", 0);
        av_dict_set(&settings, "threads", "1", 0);
    } else if (options.kind == OutputKind::Vp9) {
        // Constant quality (no bit rate target), at the encoder's fastest settings.
        av_dict_set(&settings, "crf", quality.c_str(), 0);
        av_dict_set(&settings, "b", "0", 0);
        av_dict_set(&settings, "deadline", "realtime", 0);
        av_dict_set(&settings, "cpu-used", "8", 0);
    }
    if (!OpenCodec(s, &settings, error))
        return false;
    s.frame->format = s.context->pix_fmt;
    s.frame->width = width;
    s.frame->height = height;
    s.scale = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, s.context->pix_fmt,
                             SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (av_frame_get_buffer(s.frame, 0) < 0 || !s.scale) {
        error = "cannot convert frames for the encoder";
        return false;
    }
    return true;
}

// GL's rows run from the bottom up: the conversion starts at the last row and steps backwards.
int EncodeVideoFrame(EncodedStream& s, const uint8_t* pixels, int width, int height)
{
    const int stride = width * 4;
    const uint8_t* top = pixels + static_cast<ptrdiff_t>(height - 1) * stride;
    const int negative_stride = -stride;
    sws_scale(s.scale, &top, &negative_stride, 0, height, s.frame->data, s.frame->linesize);
    s.frame->pts = s.next_pts++;
    return Encode(s, s.frame);
}
