#include "inspect/rle_fault_text.h"

namespace inspect {

std::string RleFaultText(const bmp::RleDiagnostic& f) {
    const std::string where =
        "（第 " + std::to_string(f.y) + " 行，x = " + std::to_string(f.x) + "）";
    switch (f.fault) {
    case bmp::RleFault::RunPastEdge:
        return "游程超出本行的右边缘" + where + "：多出的像素被丢弃";
    case bmp::RleFault::DeltaPastPicture:
        return "位移码超出图像" + where + "：停在边缘，或移出顶行后不再绘制";
    case bmp::RleFault::CodeCut:
        return "游程编码流在一个编码中间结束" + where + "：之后的像素都没有设置";
    case bmp::RleFault::NoEndCode:
        return "游程编码流没有结束码（00 01）；读取程序到此为止";
    case bmp::RleFault::BytesAfterEnd:
        return "游程编码流在结束码或最后一行之后还有字节，它们不会被绘制";
    }
    return "";
}

} // namespace inspect
