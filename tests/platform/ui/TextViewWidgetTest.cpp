#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"
#include "platform/ui/TextViewWidget.h"

#include <gtest/gtest.h>

using namespace plat;

TEST(TextViewWidget, IsTheFaceOfItsModel)
{
    TextView model;
    TextViewWidget widget(model);
    EXPECT_EQ(&widget.model(), &model);
    ASSERT_TRUE(widget.layoutManager());
    EXPECT_EQ(widget.layoutManager()->textView(), &model);
}
