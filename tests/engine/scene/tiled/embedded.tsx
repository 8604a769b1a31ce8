<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.8" name="outside" tilewidth="16" tileheight="16" spacing="2" margin="3" tilecount="12" columns="4">
 <image format="png" trans="ff00ff" width="73" height="55">
  <data encoding="base64">iVBORw0KGgoAAAANSUhEUgAAAEkAAAA3CAYAAABAW2dtAAABM0lEQVR4nO3YoUsDARTH8XNgsCyMhQvKimFlwrEwMChYxhBhaWGwMAdjrFxaMGizGgwWi//AoslosCwsLO8fWLQKZ3rl3eFx7wXZ8Q3f+uPxiS9IgiShvwv++4B9CKSiSPXWtSvZORsNXclOrzp3JTuTiztXKaTm8MWURhp9vJvSSM/HG1Ma6ev+2xRIIIEEEkgggQQSSCCBBBJIIJUXiVdJzquEsgOpKNJDfORKdsJG6Ep22v2mK9m5CTquUkg/25opjRRdRqY00vStb0ojvR7EpkACCSSQQAIJJJBAAgkkkEACqbxIvEpyXiWUHUhFkWZR15XsVMYDV7JzUpu6kp3O1cJVCml9+2RKIx1+Lk1ppPPTlSmNFD/uTIEEEkgggQQSSCCBBBJIIIEEUnmReJWk+wX1napmauyWOAAAAABJRU5ErkJggg==</data>
 </image>
</tileset>
