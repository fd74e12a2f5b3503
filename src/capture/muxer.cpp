// The capture's muxer: output files opened, codecs opened onto their streams, packets written.

#include "capture/encoded_stream.h"

std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

CodecNames CodecsFor(OutputKind kind)
{
    switch (kind) {
    case OutputKind::H264:
        return {"libx264", "aac"};
    case OutputKind::Vp9:
        return {"libvpx-vp9", "libopus"};
    case OutputKind::PngFrames:
        break;
    }
    return {"png", "pcm_s16le"};
}

AVFormatContext* OpenFormat(const char* format_name, const std::string& path, std::string& error)
{
    AVFormatContext* format = nullptr;
    int result = avformat_alloc_output_context2(&format, nullptr, format_name, path.c_str());
    if (result < 0) {
        error = "cannot write '" + path + "': " + ErrorText(result);
        return nullptr;
    }
    if (!(format->oformat->flags & AVFMT_NOFILE)) {
        result = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (result < 0) {
            error = "cannot write '" + path + "': " + ErrorText(result);
            avformat_free_context(format);
            return nullptr;
        }
    }
    return format;
}

bool OpenCodec(EncodedStream& s, AVDictionary** settings, std::string& error)
{
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
        s.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(s.context, s.codec, settings);
    av_dict_free(settings);
    s.stream = result < 0 ? nullptr : avformat_new_stream(s.format, nullptr);
    if (!s.stream || avcodec_parameters_from_context(s.stream->codecpar, s.context) < 0) {
        error = std::string("cannot start the ") + s.codec->name + " encoder: " + ErrorText(result);
        return false;
    }
    s.stream->time_base = s.context->time_base;
    s.packet = av_packet_alloc();
    s.frame = av_frame_alloc();
    return true;
}

// Sends a frame (null: the end) to the codec and writes every packet it gives back. A video
// packet lasts one frame: without a duration the container gives the last frame none, and a video
// of one frame shows nothing. A write that failed (a full disk, a file-size limit) is reported at
// once, though the file's buffer may have taken the packet.
int Encode(EncodedStream& s, AVFrame* frame)
{
    int result = avcodec_send_frame(s.context, frame);
    while (result >= 0) {
        result = avcodec_receive_packet(s.context, s.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            break;
        if (s.packet->duration == 0 && s.context->codec_type == AVMEDIA_TYPE_VIDEO)
            s.packet->duration = 1;
        av_packet_rescale_ts(s.packet, s.context->time_base, s.stream->time_base);
        s.packet->stream_index = s.stream->index;
        result = av_interleaved_write_frame(s.format, s.packet);
        if (result >= 0 && s.format->pb && s.format->pb->error < 0)
            result = s.format->pb->error;
    }
    return result;
}
